#include "scan/FolderProblem.h"

#include "support/TemporaryFolder.h"
#include "support/TreeBuilder.h"

#include <cerrno>
#include <gtest/gtest.h>
#include <sys/stat.h>

using namespace tavelin;
using test::TreeBuilder;

TEST(FolderProblem, SaysWhichFailureOnOneLineAndFoldersHaveNone) {
    test::TemporaryFolder temp;
    TreeBuilder tree(temp.path());
    std::string file = tree.file("plain", 10);
    std::string fifo = tree.path("pipe");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    tree.symlink(tree.path("loop b"), "loop a");
    tree.symlink(tree.path("loop a"), "loop b");

    EXPECT_EQ(folderProblem(tree.path("gone")), "“" + tree.path("gone") + "” does not exist.");
    EXPECT_EQ(folderProblem(tree.path("loop a")),
              "“" + tree.path("loop a") + "” leads to a loop of symbolic links.");
    std::string tooLong = tree.path(std::string(300, 'n'));
    EXPECT_EQ(folderProblem(tooLong), "The path “" + tooLong + "” is too long.");
    for (const std::string& notAFolder : {file, fifo, std::string("/dev/null")})
        EXPECT_EQ(folderProblem(notAFolder), "“" + notAFolder + "” is not a folder.");
    EXPECT_EQ(folderProblem(file + "/below"), "“" + file + "/below” is not a folder.");
    EXPECT_EQ(folderProblemText("/root/private", EACCES),
              "You don’t have permission to open “/root/private”.");
    EXPECT_EQ(folderProblemText("/mnt/disk", EIO),
              "“/mnt/disk” cannot be opened (Input/output error).");

    std::string missing = tree.path("new\nline\ttab \xff\xfe end\u2028");
    EXPECT_EQ(folderProblem(missing),
              "“" + tree.path("new\\nline\\ttab \\xff\\xfe end\\xe2\\x80\\xa8") +
                  "” does not exist.");

    // Folders reached through links or with odd names have none.
    std::string odd = tree.folder("bad \xff utf8\nand a newline");
    tree.symlink(odd, "link");
    for (const std::string& folder :
         {odd, tree.path("link"), tree.path("link") + "/", std::string("/")})
        EXPECT_EQ(folderProblem(folder), std::nullopt) << folder;
}
