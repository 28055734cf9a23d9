// Internals of the server key texts, for their own code and their tests.
#pragma once

// The PEM markers of a certificate, and the line that opens a body made into PEM.
extern const char kPemBegin[];      // "-----BEGIN CERTIFICATE-----"
extern const char kPemEnd[];        // "-----END CERTIFICATE-----"
extern const char kPemBeginLine[];  // kPemBegin followed by "\r\n"
