#include <gtest/gtest.h>

#include <string>

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
    const Case cases[] = {
        {"1", "5", "86", true},    // a higher build
        {"1", "4", "999", false},  // a lower minor wins over a higher build
        {"2", "0", "1", true},     // a higher major
        {"1", "5", "85", false},   // equal
        {"0", "9", "999", false},  // a lower major with a higher minor is not newer
        {"1", "6", "0", true},    {"1", "5", "84", false},
    };
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

TEST(VersionDocument, UpperCaseTagsAreFoundAndTheChangesComeOutLowered) {
    const std::string doc =
        "<VERSION><VersionMajor> 2 </VersionMajor><VERSIONMINOR>\r\n1\r\n</VERSIONMINOR>"
        "<VersionBuild>7</VersionBuild><CHANGES>\n  New MAP Export\n- Faster Reader  \n"
        "</CHANGES></VERSION>";
    const auto parsed = ParseVersionDocument(doc);
    ASSERT_TRUE(parsed);
    EXPECT_EQ(parsed->Version.Major, 2);
    EXPECT_EQ(parsed->Version.Minor, 1);
    EXPECT_EQ(parsed->Version.Build, 7);
    EXPECT_EQ(parsed->Changes, "new map export\n- faster reader");
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

TEST(VersionDocument, TheFirstTagFromTheStartCounts) {
    // An opening tag found once is read up to the first closing tag after it; later
    // repetitions of a tag are ignored.
    const std::string doc =
        "<versionmajor>3</versionmajor><versionmajor>1</versionmajor>"
        "<versionminor>+0</versionminor><versionbuild>-1</versionbuild>"
        "<changes></changes>";
    const auto parsed = ParseVersionDocument(doc);
    ASSERT_TRUE(parsed);
    EXPECT_EQ(parsed->Version.Major, 3);
    EXPECT_EQ(parsed->Version.Minor, 0);
    EXPECT_EQ(parsed->Version.Build, -1);
    EXPECT_EQ(parsed->Changes, "");
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
