#include <iostream>

#include "convert/convert_command.h"
#include "host/standard_streams.h"

int main(int argc, char* argv[]) {
    // Messages that cannot reach the user make the run a failed one.
    if (!ReserveStandardStreams()) std::cout.setstate(std::ios::badbit);
    return RunConvertCommand(argc, argv, std::cin, std::cout);
}
