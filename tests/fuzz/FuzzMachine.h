// A private machine for a fuzz target: a temporary prefix made at start and removed at exit, and
// the input written to a file on it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>

namespace fuzzing {

// The host folder of the machine, made on first use.
const std::string& MachineRoot();
// Writes the input as C:\<name> and returns its host path.
std::string WriteInput(const std::string& name, const std::uint8_t* data, std::size_t size);
// The contents of C:\<name>.
std::string ReadInput(const std::string& name);
// Everything on the machine outside C:\out and the input C:\<input>: each name below the root,
// the prefix included, with its kind, and for a file its size and modification time.
using MachineState = std::map<std::string, std::string>;
MachineState StateOutsideOut(const std::string& input);
// Stops the program when anything outside C:\out and the input was made, changed or removed
// since the state before (the first difference is printed).
void TrapWritesOutsideOut(const MachineState& before, const std::string& input);

} // namespace fuzzing
