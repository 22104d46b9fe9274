// The skin check over a whole Skins folder: a line for every skin folder and
// archive in the order the plug-in catalogues them, then the skins the
// plug-in cannot tell apart by sight.
#pragma once

// Runs "--all SKINSDIR [--plugin-ini FILE] [--archives LIST] [--verdicts LIST
// | --pixels-out FILE]" (argv[1] is "--all"); returns the exit status: 0 every
// skin shows the analyser and can be told apart, 1 otherwise, 2 bad command
// line.
int CheckCollection(int argc, char** argv);
