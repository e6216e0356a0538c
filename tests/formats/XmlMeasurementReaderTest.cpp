// The XML measurement reader on small hand-written documents.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <tuple>

#include "formats/ReaderTestSupport.h"

using namespace trevasc;
using namespace trevasc::formats;
using namespace trevasc::test;
using testing::HasSubstr;

namespace {

const std::string kSample = "<sample><id>S1</id><name> thin\n film </name></sample>";
const std::string kDegree = "\xC2\xB0";

std::string Positions(const std::string& axis, const std::string& start, const std::string& end) {
    return "<positions axis=\"" + axis + "\" unit=\"deg\"><startPosition>" + start +
           "</startPosition><endPosition>" + end + "</endPosition></positions>";
}

std::string StartOnly(const std::string& axis) {
    return "<positions axis=\"" + axis +
           "\" unit=\"deg\"><startPosition>1</startPosition></positions>";
}

std::string Common(const std::string& axis, const std::string& value) {
    return "<positions axis=\"" + axis + "\" unit=\"deg\"><commonPosition>" + value +
           "</commonPosition></positions>";
}

std::string ScanElement(const std::string& dataPoints) {
    return "<scan scanAxis=\"x\"><header><author><name>User</name></author></header><dataPoints>" +
           dataPoints + "</dataPoints></scan>";
}

std::string Document(const std::string& type, const std::string& scans,
                     const std::string& sample = kSample) {
    return "<?xml version=\"1.0\"?>\n<xrdMeasurements "
           "xmlns=\"http://www.xrdml.com/XRDMeasurement/1.5\">" +
           sample + "<xrdMeasurement measurementType=\"" + type + "\">" + scans +
           "</xrdMeasurement></xrdMeasurements>";
}

std::string SingleScan(const std::string& dataPoints, const std::string& sample = kSample) {
    return Document("Scan", ScanElement(dataPoints), sample);
}

std::string Area(const std::string& dataPoints) {
    return Document("Area measurement", ScanElement(dataPoints));
}

std::string ReadError(const std::string& text, ScanRegistry& registry, bool main = true) {
    ReaderPrompts prompts;
    return ErrorOf(ReadXmlMeasurementText, text, registry, prompts, main, "/data/scan.xrdml");
}

}  // namespace

TEST(XmlMeasurementReader, SingleScanKindsAndNames) {
    ScanRegistry registry;
    FillMainScan(registry);
    EXPECT_EQ(ReadError(SingleScan(Positions("2Theta", "10", "12") + Positions("Omega", "5", "6") +
                                   "<intensities unit=\"counts\">1 2\n 3\t4 5.5</intensities>"),
                        registry),
              "");
    const TDataSet& s = registry.MainScan();
    EXPECT_EQ(PositionsOf(s), (std::vector<double>{10, 10.5, 11, 11.5, 12}));
    EXPECT_EQ(IntensitiesOf(s), (std::vector<int>{1, 2, 3, 4, 6}));
    EXPECT_EQ(s.Name, "S1 thin film");
    EXPECT_EQ(s.Peaks.Count(), 1);  // a reader never touches the peak list
    EXPECT_EQ(registry.OpenScanKind, TScanKind::TwoTheta);

    // A detector scan (grazing incidence): only 2Theta moves, Omega stands at a common position
    // or is missing. It opens as a 2Theta scan; a moving Phi or Psi still decides the kind.
    const std::string data = "<intensities>1 2 3</intensities>";
    const std::string listed =
        "<positions axis=\"2Theta\" unit=\"deg\"><listPositions>5 7 8</listPositions></positions>";
    const std::tuple<std::string, TScanKind, std::vector<double>> kinds[] = {
        {Positions("Omega", "1", "2") + data, TScanKind::Omega, {1, 1.5, 2}},
        {Positions("Phi", "1", "-1") + data, TScanKind::Phi, {1, 0, -1}},
        // one intensity: one point at the start
        {Positions("Psi", "1", "2") + "<intensities>7</intensities>", TScanKind::Psi, {1}},
        {Positions("2Theta", "20", "21") + data, TScanKind::TwoTheta, {20, 20.5, 21}},
        {listed + Common("Omega", "1") + data, TScanKind::TwoTheta, {5, 7, 8}},
        {Positions("2Theta", "20", "21") + Positions("Phi", "0", "90") + data,
         TScanKind::Phi,
         {0, 45, 90}},
        {Positions("2Theta", "20", "21") + Common("Omega", "1") + Positions("Psi", "1", "3") + data,
         TScanKind::Psi,
         {1, 2, 3}}};
    for (const auto& [dataPoints, kind, positions] : kinds) {
        SCOPED_TRACE(dataPoints);
        EXPECT_EQ(ReadError(SingleScan(dataPoints), registry), "");
        EXPECT_EQ(registry.OpenScanKind, kind);
        EXPECT_EQ(PositionsOf(registry.MainScan()), positions);
    }

    // Without a sample id the name, without both the file name.
    const std::string omega = Positions("Omega", "1", "2") + data;
    ReadError(SingleScan(omega, "<sample><id></id><name> </name></sample>"), registry);
    EXPECT_EQ(registry.MainScan().Name, "scan.xrdml");
    ReadError(SingleScan(omega, "<sample><name>only name</name></sample>"), registry);
    EXPECT_EQ(registry.MainScan().Name, "only name");
}

TEST(XmlMeasurementReader, PathMatchingIgnoresCaseExtraAttributesAndPrefixes) {
    ScanRegistry registry;
    const std::string text =
        "<x:XRDMEASUREMENTS xmlns:x=\"urn:a\" xmlns:q=\"urn:q\"><x:sample><x:ID>A</x:ID>"
        "</x:sample><x:xrdMeasurement measurementtype=\"scan\">"
        "<x:scan><x:dataPoints>"
        "<x:positions axis=\"Omega\" unit=\"deg\"/>"  // empty element: no content
        "<x:Positions AXIS=\"2theta\" q:unit=\"mm\" unit=\"DEG\" Unit=\"rad\">"
        "<x:startPosition> 20,5 </x:startPosition><x:endPosition>21.5</x:endPosition>"
        "</x:Positions>"
        "<x:positions axis=\"Omega\" unit=\"deg\"><x:startPosition>1</x:startPosition>"
        "<x:endPosition>2</x:endPosition></x:positions>"
        "<x:intensities>1 2 3</x:intensities></x:dataPoints></x:scan></x:xrdMeasurement>"
        "</x:XRDMEASUREMENTS>";
    EXPECT_EQ(ReadError(text, registry), "");
    EXPECT_EQ(PositionsOf(registry.MainScan()), (std::vector<double>{20.5, 21, 21.5}));
    EXPECT_EQ(registry.MainScan().Name, "A");
    EXPECT_EQ(registry.OpenScanKind, TScanKind::TwoTheta);
}

TEST(XmlMeasurementReader, KindDetectionAndNumberMessagesChangeNothing) {
    const std::string data = "<intensities>1 2</intensities>";
    const std::string pos = Positions("2Theta", "1", "2") + Positions("Omega", "1", "2");
    const auto noEnd = [](const std::string& kind) {
        return "No end position found, maybe no " + kind + " scan or data error";
    };
    ExpectFailures(
        ReadXmlMeasurementText,
        {// Wrong unit: the filter does not match.
         {SingleScan("<positions axis=\"Omega\" unit=\"rad\"><startPosition>1</startPosition>"
                     "<endPosition>2</endPosition></positions>" +
                     data),
          "No start position found. This is neither a TwoTheta, Omega, Phi nor Psi Scan, and "
          "also no known area-type scan!"},
         {SingleScan(StartOnly("2Theta") + Positions("Omega", "1", "2") + data),
          noEnd("2-Theta-Omega type")},
         {SingleScan(StartOnly("Omega") + data), noEnd("Omega type")},
         {SingleScan(StartOnly("Phi") + data), noEnd("Phi type")},
         {SingleScan(StartOnly("Psi") + data), noEnd("Psi type")},
         {SingleScan(StartOnly("2Theta") + Common("Omega", "3") + data), noEnd("2Theta type")},
         {Area(Positions("2Theta", "1", "2") + data),
          "No 2nd axis found, maybe no 2Theta-area-type scan or data error (we support a "
          "series of 2Theta-Omega, 2Theta-Phi, 2Theta-Psi, or 2Theta scans)"},
         {Area(Positions("2Theta", "1", "2") + StartOnly("Phi") + data),
          "No 2nd axis end position found, maybe no 2Theta-area-type scan or data error"},
         {Area(StartOnly("2Theta") + data), noEnd("2Theta-area-type")},
         // The documented message, then where and why.
         {"<xrdMeasurements><sample>",
          "Error while reading XML file. Line 1: The file ends before all elements are closed."},
         {"<?xml version=\"1.0\"?>",
          "Error while reading XML file. Line 1: The file holds no XML element."},
         {"<xrdMeasurements>\n<sample>\n</Sample>",
          "Error while reading XML file. Line 3: Opening and ending tag mismatch: sample line 2 "
          "and Sample"},
         // libxml2's reason on one line, bytes from the file escaped.
         {"<xrdMeasurements>\n<\xC2\x9B"
          "31m\x1B>",
          "Error while reading XML file. Line 2: StartTag: invalid element name"},
         {SingleScan(pos + "<intensities>1 x3 2</intensities>"),
          "'x3' ist kein gültiger Gleitkommawert"},
         {SingleScan(pos + "<intensities>1 NaN</intensities>"),
          "'NaN' ist kein gültiger Gleitkommawert"},
         {SingleScan(pos + "<intensities>1 3e9</intensities>"), "Bereichsüberprüfungsfehler"},
         {SingleScan(Positions("2Theta", "a", "2") + Positions("Omega", "1", "2") + data),
          "'a' ist kein gültiger Gleitkommawert"}});
    ExpectFailures(ReadXmlMeasurementText,
                   {{SingleScan(Positions("Omega", "1", "2") + data), kKindMismatchMessage}},
                   TScanKind::TwoTheta);
}

TEST(XmlMeasurementReader, AreaMeasurementMainAndAdditional) {
    std::string scans;
    for (int i = 0; i < 3; ++i)
        scans += ScanElement(Positions("2Theta", "10", "11") +
                             Positions("Omega", std::to_string(i), std::to_string(i + 2)) +
                             "<intensities>" + std::to_string(i) + " 5 6</intensities>");
    const std::string text = Document("Area measurement", scans);
    ScanRegistry registry;
    FillMainScan(registry);
    ReaderPrompts prompts;
    ReadResult r = ReadXmlMeasurementText(text, "a.xrdml", true, registry, prompts);
    EXPECT_EQ(registry.OpenScanKind, TScanKind::TwoTheta);
    ASSERT_EQ(registry.AdditionalCount(), 2);
    EXPECT_EQ(r.PlotName + "|" + registry.MainScan().Name + "|" +
                  registry.MainScan().SecondAxisName + "|" + registry.Additional(1).Name,
              "S1 thin film|Omega=1.000" + kDegree + "|Omega|Omega=3.000" + kDegree);
    EXPECT_DOUBLE_EQ(registry.MainScan().SecondAxisPosition, 1.0);
    EXPECT_EQ(PositionsOf(registry.Additional(1)), (std::vector<double>{10, 10.5, 11}));
    EXPECT_EQ(IntensitiesOf(registry.Additional(1)), (std::vector<int>{2, 5, 6}));

    ReadXmlMeasurementText(text, "a.xrdml", false, registry, prompts);
    ASSERT_EQ(registry.AdditionalCount(), 5);
    EXPECT_EQ(registry.Additional(2).Name, "S1 thin film Omega=1.000" + kDegree);

    // Omega as a common position of each line, 2Theta listed: a series of 2Theta scans.
    std::string common;
    for (const char* omega : {"4.25", "5.25"})
        common += ScanElement(
            "<positions axis=\"2Theta\" unit=\"deg\"><listPositions>10 10.5 12"
            "</listPositions></positions>" +
            Common("Omega", omega) + "<counts>1 2 3</counts>");
    ReadXmlMeasurementText(Document("Area measurement", common), "a.xrdml", true, registry,
                           prompts);
    EXPECT_EQ(registry.OpenScanKind, TScanKind::TwoThetaCommonOmega);
    EXPECT_EQ(registry.MainScan().Name, "Omega=4.250" + kDegree);
    ASSERT_EQ(registry.AdditionalCount(), 6);
    EXPECT_EQ(PositionsOf(registry.Additional(5)), (std::vector<double>{10, 10.5, 12}));
    EXPECT_DOUBLE_EQ(registry.Additional(5).SecondAxisPosition, 5.25);
}

TEST(XmlMeasurementReader, CountsAreMultipliedByTheirAttenuationFactors) {
    const std::string pos = Positions("2Theta", "1", "3") + Positions("Omega", "1", "2");
    ScanRegistry registry;
    ReadError(SingleScan(pos + "<beamAttenuationFactors>1.00 188.00 1.5</beamAttenuationFactors>"
                               "<counts unit=\"counts\">10 20 3</counts>"),
              registry);
    EXPECT_EQ(IntensitiesOf(registry.MainScan()), (std::vector<int>{10, 3760, 4}));
    ReadError(SingleScan(pos + "<counts>10 20 3</counts><commonBeamAttenuationFactor>2"
                               "</commonBeamAttenuationFactor>"),
              registry);
    EXPECT_EQ(IntensitiesOf(registry.MainScan()), (std::vector<int>{20, 40, 6}));
    // Intensities already carry the factors.
    ReadError(SingleScan(pos + "<beamAttenuationFactors>2 2 2</beamAttenuationFactors>"
                               "<intensities>10 20 3</intensities>"),
              registry);
    EXPECT_EQ(IntensitiesOf(registry.MainScan()), (std::vector<int>{10, 20, 3}));
    ExpectFailures(
        ReadXmlMeasurementText,
        {{SingleScan(pos + "<beamAttenuationFactors>2 2</beamAttenuationFactors><counts>10 20 3"
                           "</counts>"),
          "The number of beam attenuation factors does not match the number of counts."},
         {SingleScan(pos + "<beamAttenuationFactors>2 2 3e9</beamAttenuationFactors><counts>10 "
                           "20 3</counts>"),
          "Bereichsüberprüfungsfehler"}});
}

TEST(XmlMeasurementReader, ListsAreTheWholeTextContentOfTheirElement) {
    // Comments and processing instructions are no content; CDATA sections, character references
    // and the text of child elements are.
    const std::string pos = Positions("2Theta", "10", "13") + Positions("Omega", "1", "2");
    for (const std::string list : {
             "1 2 <!-- c --> 3 4",
             "<![CDATA[1 2 3 4]]>",
             "1 2<?pi x?> 3 4",
             "1<!--a--> <!--b-->2 <![CDATA[3]]>\n4",
             "1 2 &#x33; 4",
             "1 <x>2 3</x> 4",
         }) {
        ScanRegistry registry;
        EXPECT_EQ(ReadError(SingleScan(pos + "<intensities>" + list + "</intensities>"), registry),
                  "")
            << list;
        EXPECT_EQ(IntensitiesOf(registry.MainScan()), (std::vector<int>{1, 2, 3, 4})) << list;
    }
}

TEST(XmlMeasurementReader, PointCountsMustAgreeAndNotBeZero) {
    const std::string pos = Positions("2Theta", "10", "13") + Positions("Omega", "1", "2");
    const std::string listedOmega =
        "<positions axis=\"Omega\" unit=\"deg\"><listPositions>1 2 3</listPositions></positions>";
    const std::string empty = "The list of intensities is empty.";
    ExpectFailures(
        ReadXmlMeasurementText,
        {{SingleScan(pos + "<intensities></intensities>"), empty},
         {SingleScan(pos + "<intensities/>"), empty},
         {SingleScan(pos + "<intensities> <!-- 1 2 --> </intensities>"), empty},
         {SingleScan(pos + "<counts>\n</counts>"), "The list of counts is empty."},
         {SingleScan(pos), "No intensities or counts found."},
         {SingleScan(pos + "<beamAttenuationFactors>1 1 1 1</beamAttenuationFactors>"
                           "<intensities>1 2 3</intensities>"),
          "The number of beam attenuation factors does not match the number of intensities."},
         {SingleScan(pos + "<countingTimes>1 1 1</countingTimes><counts>1 2</counts>"),
          "The number of counting times does not match the number of counts."},
         {SingleScan(Positions("2Theta", "10", "13") + listedOmega +
                     "<intensities>1 2</intensities>"),
          "The number of listed positions does not match the number of intensities."},
         // An entity of the document's own would need substitution, which is never done.
         {"<?xml version=\"1.0\"?>\n<!DOCTYPE x [<!ENTITY e \"3\">]>\n" +
              SingleScan(pos + "<intensities>1 2 &e; 4</intensities>").substr(22),
          "Error while reading XML file. Line 4: Entity 'e' is not read; only predefined "
          "entities and character references are."}});

    // An area measurement whose second scan is empty: an error, not the third scan's data
    // paired with the second scan's positions.
    std::string scans;
    for (const std::string data : {"1 2", "", "5 6"})
        scans += ScanElement(Positions("2Theta", "10", "11") + Positions("Omega", "0", "1") +
                             "<intensities>" + data + "</intensities>");
    ExpectFailures(ReadXmlMeasurementText, {{Document("Area measurement", scans), empty}});
}

// A detector scan as an additional file joins 2Theta scans and nothing else, named after its
// sample; the main scan stays.
TEST(XmlMeasurementReader, DetectorScanJoinsTwoThetaScans) {
    ScanRegistry registry;
    FillMainScan(registry);
    const std::string data = "<intensities>1 2 3</intensities>";
    const std::string detector =
        SingleScan(Positions("2Theta", "20", "21") + Common("Omega", "0.3") + data);
    registry.OpenScanKind = TScanKind::Omega;
    EXPECT_EQ(ReadError(detector, registry, false), kKindMismatchMessage);
    registry.OpenScanKind = TScanKind::TwoTheta;
    EXPECT_EQ(ReadError(detector, registry, false), "");
    ASSERT_EQ(registry.AdditionalCount(), 1);
    EXPECT_EQ(PositionsOf(registry.Additional(0)), (std::vector<double>{20, 20.5, 21}));
    EXPECT_EQ(registry.Additional(0).Name + "|" + registry.MainScan().Name, "S1 thin film|old");
}

// An area measurement of `scans` scans of `points` counts each, with attenuation factors.
std::string AreaMeasurement(int scans, int points) {
    std::string text;
    for (int s = 0; s < scans; ++s) {
        std::string factors, counts;
        for (int p = 0; p < points; ++p) {
            factors += p % 9 ? "1 " : "2,5 ";
            counts += std::to_string((s * 31 + p * 17) % 1000) + " ";
        }
        text += ScanElement(Positions("2Theta", "30", "40") +
                            Positions("Omega", std::to_string(s), std::to_string(s + 1)) +
                            "<beamAttenuationFactors>" + factors +
                            "</beamAttenuationFactors><counts>" + counts + "</counts>");
    }
    return Document("Area measurement", text);
}

TEST(ParallelRead, AreaMeasurementHalvesGiveTheSerialScansAndErrors) {
    const std::string text = AreaMeasurement(41, 60);
    EXPECT_EQ(ExpectSameBothWays(ReadXmlMeasurementText, text), "read");
    EXPECT_EQ(ExpectSameBothWays(ReadXmlMeasurementText, AreaMeasurement(1, 60)), "read");
    // Bad counts in a late scan, then also in the first: the first is reported.
    const std::string late = Replace(text, "<counts>930 ", "<counts>930x ");
    EXPECT_THAT(ExpectSameBothWays(ReadXmlMeasurementText, late), HasSubstr("'930x'"));
    const std::string both = Replace(late, "<counts>0 ", "<counts>? ");
    EXPECT_THAT(ExpectSameBothWays(ReadXmlMeasurementText, both), HasSubstr("'?'"));
    // The positions are checked after the intensities, wherever they stand.
    const std::string badStart = Replace(text, "<startPosition>30<", "<startPosition>3o<");
    EXPECT_THAT(ExpectSameBothWays(ReadXmlMeasurementText, badStart), HasSubstr("'3o'"));
    EXPECT_THAT(ExpectSameBothWays(ReadXmlMeasurementText,
                                   Replace(late, "<startPosition>30<", "<startPosition>3o<")),
                HasSubstr("'930x'"));
}
