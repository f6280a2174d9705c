// The commands of tovik-pack. Each takes the arguments after its own name and returns the
// process exit code: 0 on success, 1 on a failure, 2 on a usage error.
#pragma once

namespace tovik {

int runListCommand(int argumentCount, char** arguments);
int runExtractCommand(int argumentCount, char** arguments);
int runExplodeCommand(int argumentCount, char** arguments);
int runAddCommand(int argumentCount, char** arguments);
// A whole command line holding <packthis>"file" <packto>"package", as the installer takes it.
int runPackCommandLine(int argumentCount, char** arguments);
int runImplodeCommand(int argumentCount, char** arguments);
int runJpegToBmpCommand(int argumentCount, char** arguments);

}  // namespace tovik
