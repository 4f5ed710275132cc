// vocalith-cli on books: what it refuses, the chapters it lists, the voice it
// chooses, and a document's markup spoken as the text it is.

#include "tests/cli/CliProcessFixture.h"
#include "tests/support/DecodedAudio.h"
#include "tests/support/TestData.h"

#include <filesystem>

namespace {

using CliBookTest = CliProcessFixture;

std::string Documents(const std::string& name) {
    return TestDataFolder() / "documents" / name;
}

TEST_F(CliBookTest, RefusesWhatIsNoReadableBook) {
    WriteAll(folder / "data.txt", std::string("text\0with\0NULs", 14));
    WriteAll(folder / "picture.txt", "\x89PNG\r\n\x1A\n....");
    struct {
        std::string input, reason;
    } cases[] = {
        {"data.txt", "data.txt: this is binary data"},
        {"picture.txt", "picture.txt: this is a PNG image"},
        {Documents("drm.epub"), "DRM"},
        {Documents("scanned.pdf"), "no text layer"},
        {Documents("password.pdf"), "password"},
    };
    for (const auto& c : cases) {
        const Outcome outcome = Run({"-o", "out.wav", c.input});
        EXPECT_EQ(outcome.status, 1) << c.input;
        EXPECT_NE(outcome.err.find(c.reason), std::string::npos) << outcome.err;
        EXPECT_EQ(outcome.err.find('\n'), outcome.err.size() - 1) << "one line: " << outcome.err;
        EXPECT_FALSE(std::filesystem::exists(folder / "out.wav")) << c.input;
    }
}

TEST_F(CliBookTest, ListsTheChaptersAndChoosesThem) {
    const std::string book = Documents("book3.epub");
    const Outcome listed = Run({"--list-chapters", "--json", book});
    ASSERT_EQ(listed.status, 0) << listed.err;
    for (const char* title :
         {"\"title\": \"The Storm\", \"level\": 1", "\"title\": \"The Rescue\", \"level\": 2"})
        EXPECT_NE(listed.out.find(title), std::string::npos) << listed.out;

    const Outcome tooFar = Run({"--chapters", "1,99", "-o", "x.wav", book});
    EXPECT_EQ(tooFar.status, 2);
    EXPECT_NE(tooFar.err.find("there is no chapter 99"), std::string::npos) << tooFar.err;

    ASSERT_EQ(Run({"--chapters", "1", "-o", "one.wav", book}).status, 0);
    ASSERT_EQ(Run({"-o", "all.wav", book}).status, 0);
    const DecodedAudio one = DecodeAudioFile(folder / "one.wav");
    const DecodedAudio all = DecodeAudioFile(folder / "all.wav");
    ASSERT_TRUE(one.Ok() && all.Ok());
    EXPECT_GT(one.seconds, 1.0);
    EXPECT_GT(all.seconds, 2 * one.seconds);
}

TEST_F(CliBookTest, SpeaksADocumentsMarkupAsText) {
    // In plain text the element silences what follows; in a web page it is
    // words like any other, and they take time to say.
    const std::string sentence = "Before the mark. <volume level=\"0\"/> After the mark.";
    WriteAll(folder / "plain.txt", sentence);
    WriteAll(folder / "page.html",
             "<html lang=\"de\"><body><p>Before the mark. &lt;volume level=\"0\"/&gt; After the "
             "mark.</p></body></html>");
    for (const char* input : {"plain.txt", "page.html"})
        ASSERT_EQ(Run({"-v", "German", "-o", std::string(input) + ".wav", input}).status, 0);
    const DecodedAudio plain = DecodeAudioFile(folder / "plain.txt.wav");
    const DecodedAudio page = DecodeAudioFile(folder / "page.html.wav");
    ASSERT_TRUE(plain.Ok() && page.Ok());
    EXPECT_GT(page.seconds, plain.seconds + 0.5);

    // Without -v the page's language chooses the voice.
    const Outcome chosen = Run({"--verbose", "-o", "chosen.wav", "page.html"});
    ASSERT_EQ(chosen.status, 0) << chosen.err;
    EXPECT_NE(chosen.err.find("read by German, SAPI5"), std::string::npos) << chosen.err;
}

} // namespace
