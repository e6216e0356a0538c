// trevasc-cli-draw: the batch tool with Qt, for the command lines that ask for a picture and for
// the update check. trevasc-cli hands these over to it (see cli/Drawing.h).
#include "cli/CliCommands.h"
#include "cli/draw/QtFacilities.h"

int main(int argc, char** argv) {
    return trevasc::cli::RunProgram(argc, argv, trevasc::cli::QtFacilities());
}
