#include <gtest/gtest.h>

#include <string>
#include <tuple>

#include "update/VersionDocument.h"

namespace trevasc::update {
namespace {

std::string Document(const std::string& major, const std::string& minor, const std::string& build,
                     const std::string& changes = "Fixes") {
    return "<?xml version=\"1.0\"?>\n<currentversion>\n  <versionmajor>" + major +
           "</versionmajor>\n  <versionminor>" + minor + "</versionminor>\n  <versionbuild>" +
           build + "</versionbuild>\n  <changes>" + changes + "</changes>\n</currentversion>\n";
}

constexpr ProgramVersion kOwn{1, 5, 85};

TEST(VersionDocument, ComparesTheThreeNumbersInOrder) {
    struct Case {
        const char *Major, *Minor, *Build;
        bool Newer;
    };
    // A higher build; a lower minor wins over a higher build; a higher major; equal; a lower
    // major with a higher minor is not newer.
    const Case cases[] = {{"1", "5", "86", true},  {"1", "4", "999", false}, {"2", "0", "1", true},
                          {"1", "5", "85", false}, {"0", "9", "999", false}, {"1", "6", "0", true},
                          {"1", "5", "84", false}};
    for (const Case& c : cases) {
        const UpdateCheckResult r =
            EvaluateVersionDocument(Document(c.Major, c.Minor, c.Build), kOwn);
        EXPECT_EQ(r.Newer, c.Newer) << c.Major << "." << c.Minor << "." << c.Build;
        if (c.Newer) {
            EXPECT_EQ(r.Message, std::string("A new version of the Trevasc (version ") + c.Major +
                                     "." + c.Minor + " Build " + c.Build + ") is available at");
            EXPECT_EQ(r.Changes, "fixes");
        } else {
            EXPECT_EQ(r.Message, kMostRecentVersionMessage);
            EXPECT_TRUE(r.Changes.empty());
        }
    }
}

// Upper-case tags are found and the changes come out lowered; an opening tag is read up to
// the first closing tag after it, later repetitions of a tag are ignored.
TEST(VersionDocument, TagsInAnyCaseAndTheFirstOfARepeatedTag) {
    const struct {
        std::string Doc;
        int Major, Minor, Build;
        const char* Changes;
    } cases[] = {
        {"<VERSION><VersionMajor> 2 </VersionMajor><VERSIONMINOR>\r\n1\r\n</VERSIONMINOR>"
         "<VersionBuild>7</VersionBuild><CHANGES>\n  New MAP Export\n- Faster Reader  \n"
         "</CHANGES></VERSION>",
         2, 1, 7, "new map export\n- faster reader"},
        {"<versionmajor>3</versionmajor><versionmajor>1</versionmajor>"
         "<versionminor>+0</versionminor><versionbuild>-1</versionbuild><changes></changes>",
         3, 0, -1, ""},
    };
    for (const auto& c : cases) {
        const auto parsed = ParseVersionDocument(c.Doc);
        ASSERT_TRUE(parsed) << c.Doc;
        EXPECT_EQ(std::tuple(parsed->Version.Major, parsed->Version.Minor, parsed->Version.Build),
                  std::tuple(c.Major, c.Minor, c.Build));
        EXPECT_EQ(parsed->Changes, c.Changes);
    }
}

TEST(VersionDocument, MissingTagsAndBadNumbersMeanNotNewer) {
    const std::string broken[] = {
        "",
        "<html><body>404 Not Found</body></html>",
        Document("2", "0", "1").replace(Document("2", "0", "1").find("<changes>"), 9, "<change>"),
        "<versionmajor>2</versionmajor><versionminor>0</versionminor><versionbuild>1"
        "<changes>x</changes>",  // closing tag of the build missing
        Document("2.0", "0", "1"),
        Document("2", "", "1"),
        Document("2", "0", "1a"),
        Document("2", "0", "0x1F"),
        Document("99999999999", "0", "1"),
        Document("2", "nan", "1"),
        Document("+-2", "0", "1"),
    };
    for (const std::string& doc : broken) {
        EXPECT_FALSE(ParseVersionDocument(doc)) << doc;
        const UpdateCheckResult r = EvaluateVersionDocument(doc, kOwn);
        EXPECT_FALSE(r.Newer) << doc;
        EXPECT_EQ(r.Message, kMostRecentVersionMessage);
    }
}

TEST(VersionDocument, AddressesUseTheDefaultHostUnlessOneIsGiven) {
    EXPECT_EQ(VersionDocumentUrl(""),
              std::string("http://") + kDefaultUpdateHost + "/trevasc/currentversion.xml");
    EXPECT_EQ(VersionDocumentUrl("127.0.0.1:8080"),
              "http://127.0.0.1:8080/trevasc/currentversion.xml");
    EXPECT_EQ(DownloadPageUrl("127.0.0.1:8080"), "http://127.0.0.1:8080/trevasc/download.html");
}

}  // namespace
}  // namespace trevasc::update
