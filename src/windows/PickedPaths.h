// Paths the user picks to add, as the add window and the wizard tell a path picked again from a
// new one: the same text, or the same letters in another case (as Windows names files), unless the
// two name different files of their own on this disk (README.txt beside readme.txt).
#pragma once

#include <string_view>

// Whether a and b (Windows paths) name one picked file.
bool SamePickedPath(std::string_view a, std::string_view b);
