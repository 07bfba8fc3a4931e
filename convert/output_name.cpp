#include "convert/output_name.h"

std::string MakeOutputName(const std::string& inputName) {
    const std::string::size_type nDot = inputName.rfind('.');
    return (nDot == std::string::npos ? std::string() : inputName.substr(0, nDot)) + ".cde";
}
