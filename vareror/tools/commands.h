#pragma once

// Sub-commands of vareror-wav. Each takes the arguments after its own name
// (argv[0] is the command name) and returns the process exit code.
int runEncode(int argc, char **argv);
int runDecode(int argc, char **argv);
