// Where a conversion to or from a self-extracting program writes. An archive reached through a
// symbolic link is converted where the link leads: the new file goes beside the file the link
// names, and a link of the output's name, saying where the new file is, takes the old link's
// place. So the archive's data stays on the disk it was on, and the user still finds it where
// they opened it.
#pragma once

#include <optional>
#include <string>

struct ConversionTarget {
    std::string output;   // the file written, a Windows path
    std::string data;     // the file whose data is converted: the input, or where its link leads
    std::string link;     // when the input is a link: the link to make in its place, else empty
    std::string linkText; // what that link says: the old text with the new extension, or the
                          // output's host path when the old text does not end in the file's name

    // Puts the link in place, replacing a file of its name; false with errno set.
    bool MakeLink() const;
};

// The target of converting the Windows path input to a file with the extension given (".exe" or
// ".zip"). Nothing when the input is a link to a file that already has that extension, which
// would be converted onto itself.
std::optional<ConversionTarget> ConversionTargetOf(const std::string& input,
                                                   const std::string& extension);
