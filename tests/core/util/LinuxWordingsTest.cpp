#include "util/LinuxWordings.h"

#include <gtest/gtest.h>
#include <set>
#include <string>

using namespace tavelin;

TEST(LinuxWordings, EachReplacementNamesNothingOnlyAMacHas) {
    std::set<std::string_view> originals;
    for (const LinuxWording& wording : kLinuxWordings) {
        EXPECT_TRUE(originals.insert(wording.original).second)
            << "listed twice: " << wording.original;
        EXPECT_NE(wording.original, wording.replacement);
        for (const char* mac :
             {"Mac", "Finder", "Full Disk Access", "Time Machine", "System Settings", "APFS",
              "Applications folder", "container", "Preboot", "sleep image", "Xcode"})
            EXPECT_EQ(wording.replacement.find(mac), std::string_view::npos) << wording.replacement;
        // A name put into the sentence must still have its place.
        EXPECT_EQ(wording.original.find("%1") == std::string_view::npos,
                  wording.replacement.find("%1") == std::string_view::npos)
            << wording.replacement;
    }
}
