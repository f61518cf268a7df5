#include "cli/uploadcommand.h"

int main(int argc, char *argv[])
{
    UploadCommand command;
    return command.exec(argc, argv);
}
