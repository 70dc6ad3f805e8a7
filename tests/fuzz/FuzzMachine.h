// A private machine for a fuzz target: a temporary prefix made at start and removed at exit, and
// the input written to a file on it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace fuzzing {

// The host folder of the machine, made on first use.
const std::string& MachineRoot();
// Writes the input as C:\<name> and returns its host path.
std::string WriteInput(const std::string& name, const std::uint8_t* data, std::size_t size);
// The contents of C:\<name>.
std::string ReadInput(const std::string& name);
// Stops the program when anything was written outside C:\out: C: may hold only that folder, the
// input and the Windows folder, and the temp folder nothing.
void TrapWritesOutsideOut(const std::string& input);

} // namespace fuzzing
