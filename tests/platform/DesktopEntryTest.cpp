#include "platform/DesktopEntry.h"

#include <gtest/gtest.h>

using namespace tavelin::platform;
using Words = std::vector<std::string>;

TEST(DesktopEntryExec, UndoesQuotingAndDropsFieldCodes) {
    const std::pair<std::string, std::optional<Words>> cases[] = {
        {"/opt/app/bin/app %U", Words{"/opt/app/bin/app"}},
        {R"("/opt/My App/app" --file=%f)", Words{"/opt/My App/app", "--file="}},
        {R"(env FOO=1 BAR="a b" /opt/x/x)", Words{"env", "FOO=1", "BAR=a b", "/opt/x/x"}},
        {R"(sh -c "echo \\"hi\\" \\$HOME")", Words{"sh", "-c", R"(echo "hi" $HOME)"}},
        {"app 100%% %i %c %k", Words{"app", "100%"}},
        {"/usr/bin/flatpak run --command=tool org.x.Tool @@u %U @@",
         Words{"/usr/bin/flatpak", "run", "--command=tool", "org.x.Tool", "@@u", "@@"}},
        {R"(a\sb  c)", Words{"a", "b", "c"}},
        {R"(app "")", Words{"app", ""}},
        {"%F", Words{}},
        {R"("/opt/never closed %U)", std::nullopt},
    };
    for (const auto& [value, words] : cases)
        EXPECT_EQ(DesktopEntry::execWords(value), words) << value;
}

TEST(DesktopEntryParse, ReadsTheApplicationGroupOnly) {
    auto entry = DesktopEntry::parse("# comment\n"
                                     "[Desktop Entry]\n"
                                     "Type=Application\n"
                                     "Name[fr]=Outil\n"
                                     "Name = Big\\sTool\n"
                                     "Name=Second\n"
                                     "Exec=\"/opt/big tool/run\" %F\r\n"
                                     "TryExec=run\n"
                                     "Path=/opt/big tool\n"
                                     "Icon=big-tool\n"
                                     "NoDisplay=true\n"
                                     "[Desktop Action window]\n"
                                     "Hidden=true\n"
                                     "Exec=other\n");
    // Hidden=true belongs to another group and does not count.
    EXPECT_EQ(entry, (DesktopEntry{.name = "Big Tool",
                                   .exec = {"/opt/big tool/run"},
                                   .tryExec = "run",
                                   .workingFolder = "/opt/big tool",
                                   .icon = "big-tool",
                                   .noDisplay = true}));
}

TEST(DesktopEntryParse, RefusesWhatIsNoApplication) {
    const std::string refused[] = {
        "",
        "Type=Application\nName=No group\n",
        "[Desktop Entry]\nType=Link\nName=A link\nURL=https://example.org\n",
        "[Desktop Entry]\nName=No type\n",
        "[Desktop Entry]\nType=Application\nExec=nameless\n",
        "[Desktop Entry]\nType=Application\nName=\n",
        "[Desktop Entry]\nType=Application\nName=Broken\nExec=\"unclosed\n",
        "[Desktop Action x]\nType=Application\nName=Wrong group\n",
        "\x7f"
        "ELF\x02\x01\x01\0\0\0",
    };
    for (const std::string& text : refused)
        EXPECT_EQ(DesktopEntry::parse(text), std::nullopt) << text;

    EXPECT_EQ(DesktopEntry::parse("[Desktop Entry]\nType=Application\nName=Caf\xe9\n"),
              DesktopEntry{.name = "Caf\xe9"})
        << "encodings are the reader's to judge";
}
