#include <iostream>

#include "convert/convert_command.h"

int main(int argc, char* argv[]) {
    return RunConvertCommand(argc, argv, std::cin, std::cout);
}
