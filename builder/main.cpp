// kvsfx: builds and inspects installers (natively, and as a Windows console program).
#include "builder/Cli.h"
#include "builder/Platform.h"

int main(int argc, char** argv) { return kestrova::RunKvsfx(kestrova::Utf8Arguments(argc, argv)); }
