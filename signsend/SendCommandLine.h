#pragma once
// signsend's command-line mode, for scripts:
//
//   signsend --host HOST [--port PORT] [--address BYTE] [TEXT …]
//
// sends one packet per TEXT, or one per line of input when no TEXT is
// given, each over a connection of its own, and prints the steps as the
// window logs them.
#include <QStringList>
#include <QTextStream>
#include <istream>

// Exit codes of the command-line mode.
enum CommandLineExit : int {
  kExitSent = 0,           // every packet sent
  kExitNoConnection = 1,   // a connection could not be made
  kExitUsage = 2,          // a bad option, port or address
  kExitTextRefused = 3,    // a text too long, or with a character the sign cannot take
};

// Runs the command-line mode for arguments (the program's name first), with
// input for the texts when no TEXT is given. Needs a QCoreApplication; runs
// its event loop while sending. Returns the exit code.
int RunCommandLine(const QStringList& arguments, std::istream& input, QTextStream& out,
                   QTextStream& err);
