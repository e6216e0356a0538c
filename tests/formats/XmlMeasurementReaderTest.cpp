// The XML measurement reader on small hand-written documents.
#include <gtest/gtest.h>

#include "core/Error.h"
#include "formats/ReaderTestSupport.h"
#include "formats/ScanFileReader.h"

using namespace trevasc;
using namespace trevasc::formats;
using trevasc::test::FillMainScan;
using trevasc::test::ReaderPrompts;

namespace {

const std::string kSample = "<sample><id>S1</id><name> thin\n film </name></sample>";

std::string Positions(const std::string& axis, const std::string& start, const std::string& end) {
    return "<positions axis=\"" + axis + "\" unit=\"deg\"><startPosition>" + start +
           "</startPosition><endPosition>" + end + "</endPosition></positions>";
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

std::string ReadError(const std::string& text, ScanRegistry& registry, bool main = true) {
    ReaderPrompts prompts;
    try {
        ReadXmlMeasurementText(text, "/data/scan.xrdml", main, registry, prompts);
    } catch (const TrevascError& e) {
        return e.what();
    }
    return "";
}

std::vector<double> PositionsOf(const TDataSet& s) {
    std::vector<double> out;
    for (const auto& p : s.RawPoints) out.push_back(p.Position);
    return out;
}

std::vector<int> IntensitiesOf(const TDataSet& s) {
    std::vector<int> out;
    for (const auto& p : s.RawPoints) out.push_back(p.Intensity);
    return out;
}

}  // namespace

TEST(XmlMeasurementReader, SingleScanKinds) {
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
    EXPECT_EQ(s.Peaks.Count, 1);
    EXPECT_EQ(registry.OpenScanKind, TScanKind::TwoTheta);

    ReadError(SingleScan(Positions("Omega", "5", "6") + "<intensities>1 2 3</intensities>"),
              registry);
    EXPECT_EQ(registry.OpenScanKind, TScanKind::Omega);
    EXPECT_EQ(PositionsOf(registry.MainScan()), (std::vector<double>{5, 5.5, 6}));
    ReadError(SingleScan(Positions("Phi", "0", "-10") + "<intensities>1 2 3</intensities>"),
              registry);
    EXPECT_EQ(registry.OpenScanKind, TScanKind::Phi);
    EXPECT_EQ(PositionsOf(registry.MainScan()), (std::vector<double>{0, -5, -10}));
    ReadError(SingleScan(Positions("Psi", "1", "2") + "<intensities>7</intensities>"), registry);
    EXPECT_EQ(registry.OpenScanKind, TScanKind::Psi);
    // A single intensity is one point at the start position.
    EXPECT_EQ(PositionsOf(registry.MainScan()), (std::vector<double>{1}));
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

TEST(XmlMeasurementReader, KindDetectionMessages) {
    ScanRegistry registry;
    FillMainScan(registry);
    const std::string data = "<intensities>1 2</intensities>";
    EXPECT_EQ(ReadError(SingleScan(Positions("2Theta", "1", "2") + Common("Omega", "3") + data),
                        registry),
              "No start position found. This is neither a TwoTheta, Omega, Phi nor Psi Scan, and "
              "also no known area-type scan!");
    EXPECT_EQ(ReadError(SingleScan("<positions axis=\"2Theta\" unit=\"deg\"><startPosition>1"
                                   "</startPosition></positions>" +
                                   Positions("Omega", "1", "2") + data),
                        registry),
              "No end position found, maybe no 2-Theta-Omega type scan or data error");
    EXPECT_EQ(ReadError(SingleScan("<positions axis=\"Omega\" unit=\"deg\"><startPosition>1"
                                   "</startPosition></positions>" +
                                   data),
                        registry),
              "No end position found, maybe no Omega type scan or data error");
    EXPECT_EQ(ReadError(SingleScan("<positions axis=\"Phi\" unit=\"deg\"><startPosition>1"
                                   "</startPosition></positions>" +
                                   data),
                        registry),
              "No end position found, maybe no Phi type scan or data error");
    EXPECT_EQ(ReadError(SingleScan("<positions axis=\"Psi\" unit=\"deg\"><startPosition>1"
                                   "</startPosition></positions>" +
                                   data),
                        registry),
              "No end position found, maybe no Psi type scan or data error");
    // Wrong unit: the filter does not match.
    EXPECT_EQ(ReadError(SingleScan("<positions axis=\"Omega\" unit=\"rad\"><startPosition>1"
                                   "</startPosition><endPosition>2</endPosition></positions>" +
                                   data),
                        registry)
                  .substr(0, 25),
              "No start position found. ");
    const std::string area2Theta = Positions("2Theta", "1", "2");
    EXPECT_EQ(ReadError(Document("Area measurement", ScanElement(area2Theta + data)), registry),
              "No 2nd axis found, maybe no 2Theta-area-type scan or data error (we support a "
              "series of 2Theta-Omega, 2Theta-Phi, 2Theta-Psi, or 2Theta scans)");
    EXPECT_EQ(ReadError(Document("Area measurement",
                                 ScanElement(area2Theta +
                                             "<positions axis=\"Phi\" unit=\"deg\"><startPosition>"
                                             "1</startPosition></positions>" +
                                             data)),
                        registry),
              "No 2nd axis end position found, maybe no 2Theta-area-type scan or data error");
    EXPECT_EQ(ReadError(Document("Area measurement",
                                 ScanElement("<positions axis=\"2Theta\" unit=\"deg\">"
                                             "<startPosition>1</startPosition></positions>" +
                                             data)),
                        registry),
              "No end position found, maybe no 2Theta-area-type scan or data error");
    EXPECT_EQ(ReadError("<xrdMeasurements><sample>", registry), "Error while reading XML file.");
    EXPECT_EQ(ReadError("<?xml version=\"1.0\"?>", registry), "Error while reading XML file.");
    EXPECT_EQ(registry.MainScan().Name, "old");
    EXPECT_EQ(registry.MainScan().Count, 3);
}

TEST(XmlMeasurementReader, BadNumbersAndKindMismatchChangeNothing) {
    ScanRegistry registry;
    FillMainScan(registry);
    const std::string pos = Positions("2Theta", "1", "2") + Positions("Omega", "1", "2");
    EXPECT_EQ(ReadError(SingleScan(pos + "<intensities>1 x3 2</intensities>"), registry),
              "'x3' ist kein gültiger Gleitkommawert");
    EXPECT_EQ(ReadError(SingleScan(pos + "<intensities>1 NaN</intensities>"), registry),
              "'NaN' ist kein gültiger Gleitkommawert");
    EXPECT_EQ(ReadError(SingleScan(pos + "<intensities>1 3e9</intensities>"), registry),
              "Bereichsüberprüfungsfehler");
    EXPECT_EQ(ReadError(SingleScan(Positions("2Theta", "a", "2") + Positions("Omega", "1", "2") +
                                   "<intensities>1</intensities>"),
                        registry),
              "'a' ist kein gültiger Gleitkommawert");
    EXPECT_EQ(registry.MainScan().Name, "old");
    EXPECT_EQ(registry.MainScan().Count, 3);

    registry.OpenScanKind = TScanKind::TwoTheta;
    EXPECT_EQ(ReadError(SingleScan(Positions("Omega", "1", "2") + "<intensities>1</intensities>"),
                        registry, false),
              kKindMismatchMessage);
    EXPECT_EQ(registry.AdditionalCount(), 0);
    EXPECT_EQ(ReadError(SingleScan(pos + "<intensities>4 5</intensities>"), registry, false), "");
    ASSERT_EQ(registry.AdditionalCount(), 1);
    EXPECT_EQ(registry.Additional(0).Name, "S1 thin film");
    EXPECT_EQ(registry.MainScan().Name, "old");
}

TEST(XmlMeasurementReader, SampleNameFallsBackToTheFileName) {
    ScanRegistry registry;
    const std::string data = Positions("2Theta", "1", "2") + Positions("Omega", "1", "2") +
                             "<intensities>1 2</intensities>";
    ReadError(SingleScan(data, "<sample><id></id><name> </name></sample>"), registry);
    EXPECT_EQ(registry.MainScan().Name, "scan.xrdml");
    ReadError(SingleScan(data, "<sample><name>only name</name></sample>"), registry);
    EXPECT_EQ(registry.MainScan().Name, "only name");
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
    EXPECT_EQ(r.PlotName, "S1 thin film");
    EXPECT_EQ(registry.OpenScanKind, TScanKind::TwoTheta);
    ASSERT_EQ(registry.AdditionalCount(), 2);
    EXPECT_EQ(registry.MainScan().Name, "Omega=1.000\xC2\xB0");
    EXPECT_EQ(registry.MainScan().SecondAxisName, "Omega");
    EXPECT_DOUBLE_EQ(registry.MainScan().SecondAxisPosition, 1.0);
    EXPECT_EQ(registry.MainScan().Peaks.Count, 1);
    EXPECT_EQ(registry.Additional(1).Name, "Omega=3.000\xC2\xB0");
    EXPECT_EQ(PositionsOf(registry.Additional(1)), (std::vector<double>{10, 10.5, 11}));
    EXPECT_EQ(IntensitiesOf(registry.Additional(1)), (std::vector<int>{2, 5, 6}));

    ReadXmlMeasurementText(text, "a.xrdml", false, registry, prompts);
    ASSERT_EQ(registry.AdditionalCount(), 5);
    EXPECT_EQ(registry.Additional(2).Name, "S1 thin film Omega=1.000\xC2\xB0");

    // Omega as a common position of each line: a series of 2Theta scans.
    std::string common;
    for (int i = 0; i < 2; ++i)
        common += ScanElement(Positions("2Theta", "10", "11") + Common("Omega", "4.25") +
                              "<intensities>1 2</intensities>");
    ReadXmlMeasurementText(Document("Area measurement", common), "a.xrdml", true, registry,
                           prompts);
    EXPECT_EQ(registry.OpenScanKind, TScanKind::TwoThetaCommonOmega);
    EXPECT_EQ(registry.MainScan().Name, "Omega=4.250\xC2\xB0");
    EXPECT_EQ(registry.AdditionalCount(), 6);
}

TEST(XmlMeasurementReader, AreaQueriesContinueFromThePreviousScan) {
    // The second scan lacks its Omega block: the relative query of scan 2 finds scan 3's, and
    // scan 3 is left without (position 0), as the path queries have always read such files.
    const std::string data = "<intensities>1 2</intensities>";
    const std::string text = Document(
        "Area measurement",
        ScanElement(Positions("2Theta", "10", "11") + Positions("Omega", "1", "1") + data) +
            ScanElement(Positions("2Theta", "20", "21") + data) +
            ScanElement(Positions("2Theta", "30", "31") + Positions("Omega", "3", "3") + data));
    ScanRegistry registry;
    ASSERT_EQ(ReadError(text, registry), "");
    ASSERT_EQ(registry.AdditionalCount(), 2);
    EXPECT_DOUBLE_EQ(registry.Additional(0).SecondAxisPosition, 3.0);
    EXPECT_DOUBLE_EQ(registry.Additional(1).SecondAxisPosition, 0.0);
    EXPECT_DOUBLE_EQ(registry.Additional(1).RawPoints[1].Position, 31.0);
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
    EXPECT_EQ(ReadError(SingleScan(pos + "<beamAttenuationFactors>2 2</beamAttenuationFactors>"
                                         "<counts>10 20 3</counts>"),
                        registry),
              "The number of beam attenuation factors does not match the number of counts.");
    EXPECT_EQ(ReadError(SingleScan(pos + "<beamAttenuationFactors>2 2 3e9</beamAttenuationFactors>"
                                         "<counts>10 20 3</counts>"),
                        registry),
              "Bereichsüberprüfungsfehler");
}

TEST(XmlMeasurementReader, ListedPositions) {
    ScanRegistry registry;
    const std::string listed =
        "<positions axis=\"2Theta\" unit=\"deg\"><listPositions>10 10.5 12"
        "</listPositions></positions>";
    EXPECT_EQ(
        ReadError(SingleScan(listed + Positions("Omega", "1", "2") + "<counts>1 2 3</counts>"),
                  registry),
        "");
    EXPECT_EQ(PositionsOf(registry.MainScan()), (std::vector<double>{10, 10.5, 12}));
    EXPECT_EQ(ReadError(SingleScan(listed + Positions("Omega", "1", "2") + "<counts>1 2</counts>"),
                        registry),
              "The number of listed positions does not match the number of intensities.");

    // A map of listed 2Theta scans at common Omega positions.
    std::string scans;
    for (int i = 0; i < 2; ++i)
        scans +=
            ScanElement(listed + Common("Omega", std::to_string(5 + i)) + "<counts>1 2 3</counts>");
    EXPECT_EQ(ReadError(Document("Area measurement", scans), registry), "");
    EXPECT_EQ(registry.OpenScanKind, TScanKind::TwoThetaCommonOmega);
    ASSERT_EQ(registry.AdditionalCount(), 1);
    EXPECT_EQ(PositionsOf(registry.Additional(0)), (std::vector<double>{10, 10.5, 12}));
    EXPECT_DOUBLE_EQ(registry.Additional(0).SecondAxisPosition, 6.0);
}
