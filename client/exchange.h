// exchange.h: one exchange with the authority. The caller has written and
// closed the request file; the exchange deletes the old response, runs curl
// on the request with the status line shown, clears the status line and
// post-processes the response file. The response file is the only result.
#pragma once

#include <string>

// The curl command line (internal code page) that posts the request file to
// the operation of the endpoint and writes the answer to the response file.
std::string CurlCommandLine(const std::string& operation, const std::string& request_file,
                            const std::string& response_file);

// Deletes an older response file. One that stays (it cannot be deleted) ends
// the run with the message that the file cannot be created, before anything
// is sent: an older answer must never pass for this run's.
void ClearResponse(const std::string& response_file);

// Deletes the old response (ClearResponse), runs curl and clears the status
// line; when no response arrived, writes the operation's no-answer text (the
// token exchange, the two manage operations; nothing for a query), or leaves
// no file when that cannot be written whole. Returns true when curl left a
// response file.
bool RunCurl(const std::string& operation, const std::string& request_file,
             const std::string& response_file);

// Rewrites the response file in the ANSI code page when CHARCODE begins with
// "ANSI"; otherwise leaves it as it is.
void RewriteResponse(const std::string& response_file);

// The whole exchange: RunCurl, then RewriteResponse of an arrived response.
void Exchange(const std::string& operation, const std::string& request_file,
              const std::string& response_file);
