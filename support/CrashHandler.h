#pragma once

// Turns a crash of the process into a report beside the executable (for a
// Linux program installed into system folders: in the log's folder).
//
// Windows: an unhandled-exception filter, set during static
// initialisation, signals a named event for an outside crash monitor and
// writes a minidump "zelwudump<N>.dmp" from a fresh thread (at most 10 s).
// Elsewhere: handlers for the fatal signals write a readable report
// "zelwudump<N>.txt" (signal, fault address, backtrace) and let the
// default action end the process.
//
// Plain C++ with no Qt, so that it builds with MinGW too. Linking the
// object that holds it is enough; nothing needs to be called.

namespace crash {

// The named event the filter signals for an exception code: the memory
// event for 0xE0000001, the general one for every other code.
const char* CrashEventName(unsigned long exceptionCode);

// Installs the handler. Runs by itself during static initialisation;
// calling it again does no harm.
void InstallCrashHandler();

} // namespace crash
