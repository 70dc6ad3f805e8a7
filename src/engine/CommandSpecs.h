// The file specifications of a command record, as strings.
#pragma once

#include "engine/ZIPDLL.h"

#include <string>
#include <vector>

template <typename Command> std::vector<std::string> SpecsOf(const Command& command) {
    std::vector<std::string> specs;
    for (int i = 0; i < command.SpecCount && i < kMaxSpecs; ++i)
        if (command.SpecList[i])
            specs.emplace_back(command.SpecList[i]);
    return specs;
}
