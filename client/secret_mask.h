// secret_mask.h: the parameter-file text that the program shows, with the
// values of the password and of both keys masked, so that a refused line
// never puts a secret on the screen or on standard error, where calling
// applications log it.
#pragma once

#include <string>

// The text with every byte of the value that follows a key "password",
// "xmlkulcs" or "techkulcs" (in any case) turned into "*". The key, the blanks
// and the ":=" or "=" after it and a text's delimiters stay, so that the
// caller still sees which line was refused and in what form. A text whose
// closing delimiter is missing is masked to the end; a value without
// delimiters up to the next blank or line end. The text is bytes of code
// page 852 and keeps its length.
std::string MaskSecrets(const std::string& text);
