// functions.h: the entry points of the functions that MAIN's dispatch runs,
// one per row of the dispatch table. Each is called once, after the settings
// step, and returns when its function has ended.
#pragma once

// Functions "0", "1" and "7": the token exchange, followed by the submission
// or the annulment that the function code asks for.
void TokenExchange();
// Function "2".
void QueryTransactionStatus();
// Function "3".
void QueryTaxpayer();
// Functions "4" and "5": the invoice data query or the invoice check query.
void QueryInvoiceDataOrCheck();
// Function "6".
void QueryInvoiceDigest();
// Function "8".
void QueryInvoiceChainDigest();
