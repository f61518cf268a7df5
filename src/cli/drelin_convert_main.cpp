#include "cli/convertcommand.h"

int main(int argc, char *argv[])
{
    ConvertCommand command;
    return command.exec(argc, argv);
}
