#include "cli/devicecommand.h"

int main(int argc, char *argv[])
{
    DeviceCommand command;
    return command.exec(argc, argv);
}
