#pragma once
// The statistics text handed to the host by GetResult0.

// Recomputes the statistics, renders them (text, or HTML after setVersion),
// publishes the claimed score and, in an export run, writes the Cabrillo
// log. The text stays valid until the next call.
const char* getResult();
