// Reader of XML measurement files (root element xrdMeasurements): single scans of one axis and
// area measurements, a series of 2Theta scans at stepped positions of a second axis.
#include "formats/XmlMeasurementReader.h"

#include <libxml/parser.h>
#include <libxml/xmlreader.h>

#include <climits>
#include <exception>
#include <memory>
#include <optional>
#include <utility>

#include "base/AsciiText.h"
#include "base/Error.h"
#include "base/MessageText.h"
#include "base/NumberText.h"
#include "base/Parallel.h"
#include "base/PathText.h"
#include "formats/ScanFileReader.h"

namespace trevasc::formats {

namespace xml {

namespace {

constexpr const char* kReadErrorMessage = "Error while reading XML file.";

std::string_view View(const xmlChar* text) {
    return text ? std::string_view(reinterpret_cast<const char*>(text)) : std::string_view();
}

struct NameEntry {
    std::string_view Lower;
    TXmlName Name;
};
constexpr NameEntry kNames[] = {
    {"xrdmeasurements", TXmlName::XrdMeasurements},
    {"sample", TXmlName::Sample},
    {"id", TXmlName::Id},
    {"name", TXmlName::Name},
    {"xrdmeasurement", TXmlName::XrdMeasurement},
    {"scan", TXmlName::Scan},
    {"datapoints", TXmlName::DataPoints},
    {"positions", TXmlName::Positions},
    {"startposition", TXmlName::StartPosition},
    {"endposition", TXmlName::EndPosition},
    {"commonposition", TXmlName::CommonPosition},
    {"listpositions", TXmlName::ListPositions},
    {"intensities", TXmlName::Intensities},
    {"counts", TXmlName::Counts},
    {"beamattenuationfactors", TXmlName::BeamAttenuationFactors},
    {"commonbeamattenuationfactor", TXmlName::CommonBeamAttenuationFactor},
    {"countingtimes", TXmlName::CountingTimes},
};

TXmlName ClassifyName(std::string_view localName) {
    for (const auto& entry : kNames)
        if (EqualsIgnoringAsciiCase(localName, entry.Lower)) return entry.Name;
    return TXmlName::Other;
}

// Elements whose text some query can return.
bool IsValueElement(TXmlName name) {
    switch (name) {
        case TXmlName::Id:
        case TXmlName::Name:
        case TXmlName::StartPosition:
        case TXmlName::EndPosition:
        case TXmlName::CommonPosition:
        case TXmlName::ListPositions:
        case TXmlName::Intensities:
        case TXmlName::Counts:
        case TXmlName::BeamAttenuationFactors:
        case TXmlName::CommonBeamAttenuationFactor:
        case TXmlName::CountingTimes:
            return true;
        default:
            return false;
    }
}

bool IsXmlBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

TXmlMeasurementType ClassifyMeasurementType(std::string_view value) {
    if (EqualsIgnoringAsciiCase(value, "scan")) return TXmlMeasurementType::Scan;
    if (EqualsIgnoringAsciiCase(value, "area measurement")) return TXmlMeasurementType::Area;
    return TXmlMeasurementType::Unknown;
}

TXmlAxis ClassifyAxis(std::string_view value) {
    if (EqualsIgnoringAsciiCase(value, "2theta")) return TXmlAxis::TwoTheta;
    if (EqualsIgnoringAsciiCase(value, "omega")) return TXmlAxis::Omega;
    if (EqualsIgnoringAsciiCase(value, "phi")) return TXmlAxis::Phi;
    if (EqualsIgnoringAsciiCase(value, "psi")) return TXmlAxis::Psi;
    return TXmlAxis::Unknown;
}

struct ReaderDeleter {
    void operator()(xmlTextReader* reader) const { xmlFreeTextReader(reader); }
};

// The first error libxml2 reports: where and why the document is not well-formed. Later errors
// mostly follow from the first, and nothing is printed.
struct XmlErrorInfo {
    int Line = 0;
    int Code = 0;
    std::string Reason;
};

void RecordXmlError(void* context, xmlErrorPtr error) {
    auto& info = *static_cast<XmlErrorInfo*>(context);
    if (!error || error->level < XML_ERR_ERROR || !info.Reason.empty()) return;
    try {
        // One line: libxml2 ends its messages with a line break and puts some details on a
        // second line.
        for (const char* p = error->message; p && *p; ++p) {
            if (!IsXmlBlank(*p))
                info.Reason += *p;
            else if (!info.Reason.empty() && info.Reason.back() != ' ')
                info.Reason += ' ';
        }
        while (!info.Reason.empty() && info.Reason.back() == ' ') info.Reason.pop_back();
        info.Line = error->line;
        info.Code = error->code;
    } catch (...) {
        // No exception may cross libxml2's C frames; the message just stays without a reason.
    }
}

// The documented message, then the line and the reason when they are known. The reason may
// quote names from the file, so it is quoted in turn.
std::string ReadErrorMessage(int line = 0, std::string_view reason = {}) {
    std::string message = kReadErrorMessage;
    if (reason.empty()) return message;
    if (line > 0) message += " Line " + std::to_string(line) + ":";
    message += " ";
    message += QuoteForMessage(reason, 160);
    return message;
}

// The filter attributes of a start tag. When a tag carries an attribute twice under names that
// differ only in letter case, the first one counts.
void ReadFilterAttributes(xmlTextReader* reader, XmlDocument::Event& event) {
    bool seenType = false, seenAxis = false, seenUnit = false;
    while (xmlTextReaderMoveToNextAttribute(reader) == 1) {
        if (xmlTextReaderIsNamespaceDecl(reader) == 1) continue;
        const std::string_view name = View(xmlTextReaderConstName(reader));
        const std::string_view value = View(xmlTextReaderConstValue(reader));
        if (!seenType && EqualsIgnoringAsciiCase(name, "measurementtype")) {
            seenType = true;
            event.MeasurementType = ClassifyMeasurementType(value);
        } else if (!seenAxis && EqualsIgnoringAsciiCase(name, "axis")) {
            seenAxis = true;
            event.Axis = ClassifyAxis(value);
        } else if (!seenUnit && EqualsIgnoringAsciiCase(name, "unit")) {
            seenUnit = true;
            event.UnitDeg = EqualsIgnoringAsciiCase(value, "deg");
        }
    }
    xmlTextReaderMoveToElement(reader);
}

}  // namespace

XmlDocument::XmlDocument(std::string_view content) {
    if (content.size() > static_cast<size_t>(INT_MAX))
        throw TrevascError(ReadErrorMessage(0, "The file is larger than 2 GiB."));
    xmlInitParser();
    // No network, no DTD loading, no entity substitution, no messages on stderr. Without
    // XML_PARSE_HUGE one text node may hold up to 10 MB (about a million intensities), and
    // libxml2 keeps its guards against entity expansion bombs.
    std::unique_ptr<xmlTextReader, ReaderDeleter> reader(
        xmlReaderForMemory(content.data(), static_cast<int>(content.size()), nullptr, nullptr,
                           XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING));
    if (!reader) throw TrevascError(ReadErrorMessage());
    XmlErrorInfo error;
    xmlTextReaderSetStructuredErrorHandler(reader.get(), RecordXmlError, &error);

    struct Open {
        TXmlName Name;
        int32_t DataPoints;  // its index, for a dataPoints element
        int32_t Text;        // the text it gathers, for an element a query can end on
    };
    std::vector<Open> open;
    int gathering = 0;  // open elements that gather text

    const auto startElement = [&](TXmlName name, Event event) {
        int32_t dataPoints = -1;
        if (name == TXmlName::DataPoints) {
            dataPoints = static_cast<int32_t>(dataPoints_.size());
            dataPoints_.emplace_back();
        }
        int32_t text = -1;
        if (IsValueElement(name)) {
            // A list of a dataPoints element stands directly in it, a position list in one of
            // its positions elements.
            const size_t depth = open.size();
            const bool inDataPoints = depth >= 1 && open[depth - 1].Name == TXmlName::DataPoints;
            const bool inPositions = depth >= 2 && open[depth - 1].Name == TXmlName::Positions &&
                                     open[depth - 2].Name == TXmlName::DataPoints;
            const int32_t owner = inDataPoints  ? open[depth - 1].DataPoints
                                  : inPositions ? open[depth - 2].DataPoints
                                                : -1;
            text = static_cast<int32_t>(texts_.size());
            texts_.push_back({std::string(), owner});
            ++gathering;
            if (owner >= 0) {
                DataPointsInfo& info = dataPoints_[static_cast<size_t>(owner)];
                if (inDataPoints && name == TXmlName::BeamAttenuationFactors &&
                    info.AttenuationFactors < 0)
                    info.AttenuationFactors = text;
                if (inDataPoints && name == TXmlName::CommonBeamAttenuationFactor &&
                    info.CommonAttenuationFactor < 0)
                    info.CommonAttenuationFactor = text;
                if (inDataPoints && name == TXmlName::CountingTimes && info.CountingTimes < 0)
                    info.CountingTimes = text;
                if (inPositions && name == TXmlName::ListPositions)
                    info.ListedPositions.push_back(text);
            }
        }
        open.push_back({name, dataPoints, text});
        events_.push_back(event);
    };
    const auto endElement = [&] {
        if (!open.empty()) {
            if (open.back().Text >= 0) {
                Event event{Event::Text};
                event.TextIndex = open.back().Text;
                events_.push_back(event);
                --gathering;
            }
            open.pop_back();
        }
        events_.push_back(Event{Event::End});
    };

    int status = 0;
    while ((status = xmlTextReaderRead(reader.get())) == 1) {
        switch (xmlTextReaderNodeType(reader.get())) {
            case XML_READER_TYPE_ELEMENT: {
                const bool empty = xmlTextReaderIsEmptyElement(reader.get()) == 1;
                Event event{Event::Start};
                event.Name = ClassifyName(View(xmlTextReaderConstLocalName(reader.get())));
                // An empty element tag changes no path; only a value element's empty text counts.
                if (empty && !IsValueElement(event.Name)) break;
                if (event.Name == TXmlName::XrdMeasurement || event.Name == TXmlName::Positions)
                    ReadFilterAttributes(reader.get(), event);
                startElement(event.Name, event);
                if (empty) endElement();  // the reader reports no end tag for it
                break;
            }
            case XML_READER_TYPE_END_ELEMENT:
                endElement();
                break;
            case XML_READER_TYPE_TEXT:
            case XML_READER_TYPE_CDATA:
            case XML_READER_TYPE_WHITESPACE:
            case XML_READER_TYPE_SIGNIFICANT_WHITESPACE:
                // Character data belongs to the text of every enclosing value element (nearly
                // always just one).
                if (gathering > 0) {
                    const std::string_view value = View(xmlTextReaderConstValue(reader.get()));
                    for (const Open& element : open)
                        if (element.Text >= 0)
                            texts_[static_cast<size_t>(element.Text)].Value += value;
                }
                break;
            case XML_READER_TYPE_ENTITY_REFERENCE:
                // Entities are not substituted (an external one could pull in any local file),
                // so the replacement text is unknown: better no scan than one with values missing.
                if (gathering > 0)
                    throw TrevascError(ReadErrorMessage(
                        static_cast<int>(xmlGetLineNo(xmlTextReaderCurrentNode(reader.get()))),
                        "Entity '" + std::string(View(xmlTextReaderConstName(reader.get()))) +
                            "' is not read; only predefined entities and character references "
                            "are."));
                break;
            default:
                break;  // comments, processing instructions and the document type are no content
        }
    }
    if (status != 0) {
        // The pull reader reports a file that ends too early as "Extra content at the end of the
        // document"; with elements still open (or none seen) the truth is the opposite.
        if (error.Code == XML_ERR_DOCUMENT_END && (!open.empty() || events_.empty()))
            error.Reason = open.empty() ? "The file holds no XML element."
                                        : "The file ends before all elements are closed.";
        throw TrevascError(ReadErrorMessage(error.Line, error.Reason));
    }
}

std::string XmlDocument::NormalizedText(int32_t index) const {
    if (index < 0) return {};
    const std::string& value = Text(index).Value;
    std::string out;
    out.reserve(value.size());
    bool pendingBlank = false;
    for (char c : value) {
        if (IsXmlBlank(c)) {
            pendingBlank = !out.empty();
            continue;
        }
        if (pendingBlank) out += ' ';
        pendingBlank = false;
        out += c;
    }
    return out;
}

int32_t XmlPathScanner::Relative(const TXmlPath& path) {
    open_.clear();
    const auto& events = document_.Events();
    while (position_ < events.size()) {
        const XmlDocument::Event& event = events[position_];
        const uint32_t index = static_cast<uint32_t>(position_);
        ++position_;
        switch (event.EventKind) {
            case XmlDocument::Event::Start:
                open_.push_back(index);
                break;
            case XmlDocument::Event::End:
                // An end tag of an element opened before this query began leaves the path empty.
                if (!open_.empty()) open_.pop_back();
                break;
            case XmlDocument::Event::Text:
                if (Matches(path)) return event.TextIndex;
                break;
        }
    }
    return -1;
}

bool XmlPathScanner::Matches(const TXmlPath& path) const {
    if (open_.size() != path.size()) return false;
    const auto& events = document_.Events();
    for (size_t i = 0; i < path.size(); ++i) {
        const XmlDocument::Event& tag = events[open_[i]];
        const TXmlStep& step = path[i];
        if (tag.Name != step.Name) return false;
        if (step.MeasurementType != TXmlMeasurementType::Any &&
            tag.MeasurementType != step.MeasurementType)
            return false;
        if (step.Axis != TXmlAxis::Any && tag.Axis != step.Axis) return false;
        if (step.UnitDeg && !tag.UnitDeg) return false;
    }
    return true;
}

}  // namespace xml

namespace {

using xml::TXmlAxis;
using xml::TXmlMeasurementType;
using xml::TXmlName;
using xml::TXmlPath;
using xml::TXmlStep;
using xml::XmlDocument;
using xml::XmlPathScanner;

constexpr const char* kDegree = "\xC2\xB0";

TXmlStep Step(TXmlName name) {
    return TXmlStep{name};
}

TXmlStep PositionsStep(TXmlAxis axis) {
    TXmlStep step{TXmlName::Positions};
    step.Axis = axis;
    step.UnitDeg = true;
    return step;
}

TXmlStep MeasurementStep(TXmlMeasurementType type) {
    TXmlStep step{TXmlName::XrdMeasurement};
    step.MeasurementType = type;
    return step;
}

// xrdMeasurements / xrdMeasurement@measurementType=<type> / scan / dataPoints / <last>
TXmlPath DataPath(TXmlMeasurementType type, TXmlName last) {
    return {Step(TXmlName::XrdMeasurements), MeasurementStep(type), Step(TXmlName::Scan),
            Step(TXmlName::DataPoints), Step(last)};
}

// xrdMeasurements / xrdMeasurement@measurementType=<type> / scan / dataPoints /
// positions@axis=<axis>@unit=deg / <last>
TXmlPath PositionPath(TXmlMeasurementType type, TXmlAxis axis, TXmlName last) {
    return {Step(TXmlName::XrdMeasurements), MeasurementStep(type), Step(TXmlName::Scan),
            Step(TXmlName::DataPoints),      PositionsStep(axis),   Step(last)};
}

// scan / dataPoints / <last>, relative to the previous scan
TXmlPath NextScanDataPath(TXmlName last) {
    return {Step(TXmlName::Scan), Step(TXmlName::DataPoints), Step(last)};
}

// scan / dataPoints / positions@axis=<axis>@unit=deg / <last>, relative to the previous scan
TXmlPath NextScanPositionPath(TXmlAxis axis, TXmlName last) {
    return {Step(TXmlName::Scan), Step(TXmlName::DataPoints), PositionsStep(axis), Step(last)};
}

const char* AxisName(TXmlAxis axis) {
    switch (axis) {
        case TXmlAxis::Omega:
            return "Omega";
        case TXmlAxis::Phi:
            return "Phi";
        case TXmlAxis::Psi:
            return "Psi";
        default:
            return "2Theta";
    }
}

// Number lists are split at every character with a code up to 32 (blank, tab, line ends).
bool IsListSeparator(char c) {
    return static_cast<unsigned char>(c) <= 32;
}

template <class F>
void ForEachToken(std::string_view text, F&& f) {
    const char* p = text.data();
    const char* end = p + text.size();
    while (p != end) {
        while (p != end && IsListSeparator(*p)) ++p;
        const char* begin = p;
        while (p != end && !IsListSeparator(*p)) ++p;
        if (p != begin) f(std::string_view(begin, static_cast<size_t>(p - begin)));
    }
}

// One token starts wherever a separator is followed by anything else. Written without branches,
// so that the compiler can compare many characters at once.
size_t CountTokens(std::string_view text) {
    if (text.empty()) return 0;
    size_t n = IsListSeparator(text[0]) ? 0 : 1;
    for (size_t i = 1; i < text.size(); ++i)
        n += static_cast<size_t>(IsListSeparator(text[i - 1]) & !IsListSeparator(text[i]));
    return n;
}

double ConvertToken(std::string_view token) {
    if (auto v = TryParseFloat(token)) return *v;
    throw TrevascError(FloatConversionMessage(ToLocalDecimal(token)));
}

double ConvertText(const XmlDocument& document, int32_t text) {
    const std::string value = document.NormalizedText(text);
    if (auto v = TryParseFloat(value)) return *v;
    throw TrevascError(FloatConversionMessage(ToLocalDecimal(value)));
}

std::vector<double> ConvertList(std::string_view text) {
    std::vector<double> values;
    values.reserve(CountTokens(text));
    ForEachToken(text, [&](std::string_view token) { values.push_back(ConvertToken(token)); });
    return values;
}

// The points of one scan, intensities only. `intensities` lists are taken as they stand (the
// instrument has already multiplied them by the beam attenuation factors). Raw `counts`, written
// by newer versions of the format instead, are multiplied here by the attenuation factor of
// their point (beamAttenuationFactors, or commonBeamAttenuationFactor for all points) of the same
// dataPoints element.
TRawPointArray ReadIntensities(const XmlDocument& document, int32_t text, bool rawCounts) {
    TRawPointArray points;
    if (text < 0) return points;
    const XmlDocument::TextNode& node = document.Text(text);
    const size_t count = CountTokens(node.Value);
    std::vector<double> factors;
    double commonFactor = 1.0;
    if (rawCounts && node.DataPoints >= 0) {
        const XmlDocument::DataPointsInfo& info = document.DataPoints(node.DataPoints);
        if (info.AttenuationFactors >= 0) {
            factors = ConvertList(document.Text(info.AttenuationFactors).Value);
            if (factors.size() != count)
                throw TrevascError(
                    "The number of beam attenuation factors does not match the number of "
                    "counts.");
        } else if (info.CommonAttenuationFactor >= 0) {
            commonFactor = ConvertText(document, info.CommonAttenuationFactor);
        }
    }
    points.reserve(count);
    const char* p = node.Value.data();
    const char* const end = p + node.Value.size();
    for (size_t i = 0;; ++i) {
        while (p != end && IsListSeparator(*p)) ++p;
        if (p == end) break;
        TRawPoint& point = points.emplace_back();
        // Whole counts are read where they stand; the rest of a token (or a token of another
        // form) goes through the general conversion.
        int32_t whole = 0;
        const char* q = ParseWholeCount(p, end, whole);
        const bool plain = q && (q == end || IsListSeparator(*q));
        if (!plain) {
            q = p;
            while (q != end && !IsListSeparator(*q)) ++q;
        }
        if (plain && !rawCounts) {
            point.Intensity = whole;
        } else {
            double value =
                plain ? whole : ConvertToken(std::string_view(p, static_cast<size_t>(q - p)));
            if (rawCounts) value *= factors.empty() ? commonFactor : factors[i];
            point.Intensity = RoundToInt32(value);
        }
        p = q;
    }
    return points;
}

// The lists of a dataPoints element that hold one value per point must have as many values as
// its data, and the data at least one value: otherwise values went missing and the positions
// would be spread over the wrong number of points.
void CheckPointCount(const XmlDocument& document, int32_t data, size_t count, bool rawCounts) {
    const std::string dataName = rawCounts ? "counts" : "intensities";
    if (data < 0) throw TrevascError("No intensities or counts found.");
    if (count == 0) throw TrevascError("The list of " + dataName + " is empty.");
    const int32_t owner = document.Text(data).DataPoints;
    if (owner < 0) return;
    const XmlDocument::DataPointsInfo& info = document.DataPoints(owner);
    const auto check = [&](int32_t list, const std::string& message) {
        if (list >= 0 && CountTokens(document.Text(list).Value) != count)
            throw TrevascError(message);
    };
    check(info.AttenuationFactors,
          "The number of beam attenuation factors does not match the number of " + dataName + ".");
    check(info.CountingTimes,
          "The number of counting times does not match the number of " + dataName + ".");
    for (int32_t list : info.ListedPositions)
        check(list, "The number of listed positions does not match the number of intensities.");
}

// Equidistant positions from start to end, point i at start + i * step; a single point sits at
// the start.
void SetRangePositions(TRawPointArray& points, double start, double end) {
    const size_t n = points.size();
    if (n == 0) return;
    const double step = n > 1 ? (end - start) / static_cast<double>(n - 1) : 0.0;
    for (size_t i = 0; i < n; ++i) points[i].Position = start + static_cast<double>(i) * step;
}

// Positions listed one per point (listPositions).
void SetListedPositions(const XmlDocument& document, TRawPointArray& points, int32_t list) {
    const std::vector<double> positions = ConvertList(document.Text(list).Value);
    if (positions.size() != points.size())
        throw TrevascError(
            "The number of listed positions does not match the number of intensities.");
    for (size_t i = 0; i < points.size(); ++i) points[i].Position = positions[i];
}

// Position texts of the scan axis of a single scan: start and end, or a list.
struct AxisRange {
    int32_t List = -1;
    double Start = 0.0;
    double End = 0.0;
};

// Runs convert(i) for the scans i of an area measurement, whose data are the texts `texts`. A
// large measurement is converted in two runs of scans with about the same amount of text, on two
// threads; an error in the first run is the one reported, as it comes first in the file.
template <class Convert>
void ConvertScans(const XmlDocument& document, const std::vector<int32_t>& texts,
                  size_t parallelFrom, Convert&& convert) {
    const auto run = [&](size_t from, size_t to) {
        for (size_t i = from; i < to; ++i) convert(i);
    };
    const auto textSize = [&](size_t i) {
        return texts[i] < 0 ? size_t{0} : document.Text(texts[i]).Value.size();
    };
    size_t total = 0;
    for (size_t i = 0; i < texts.size(); ++i) total += textSize(i);
    if (texts.size() < 2 || total < parallelFrom || !HasSecondCore()) {
        run(0, texts.size());
        return;
    }
    size_t half = 0;
    for (size_t sum = 0; half + 1 < texts.size() && sum < total / 2; ++half) sum += textSize(half);
    RunSideBySide([&] { run(0, half); }, [&] { run(half, texts.size()); });
}

}  // namespace

// How the path queries are run (all on the event list of XmlDocument, so every query sees the
// document exactly as a fresh scan of the file would):
//   sample id / name           absolute  xrdMeasurements/sample/id, .../name
//   single scan axis A         absolute  .../xrdMeasurement@measurementType=Scan/scan/dataPoints/
//                                        positions@axis=A@unit=deg/startPosition, endPosition
//   single scan data           absolute  .../scan/dataPoints/intensities
//   area scan 1                absolute  .../xrdMeasurement@measurementType=Area measurement/...
//   area scans 2..N            relative  scan/dataPoints/..., each after the previous scan's
//   end position of a start    relative  endPosition, right after its start position
// Newer files hold `counts` instead of `intensities` and some list the positions of the scan
// axis (`listPositions`) instead of start and end; these are read with the same queries ending
// in those names, and only where the documented element is absent.
ReadResult ReadXmlMeasurementText(std::string_view content, const std::string& fileName, bool main,
                                  ScanRegistry& registry, Prompts& /*prompts*/,
                                  size_t parallelFrom) {
    const XmlDocument document(content);
    XmlPathScanner scanner(document);
    const auto text = [&](int32_t index) { return document.NormalizedText(index); };

    // Scan name parts; without both, the file name stands for the sample.
    std::string id = text(scanner.Absolute(
        {Step(TXmlName::XrdMeasurements), Step(TXmlName::Sample), Step(TXmlName::Id)}));
    std::string name = text(scanner.Absolute(
        {Step(TXmlName::XrdMeasurements), Step(TXmlName::Sample), Step(TXmlName::Name)}));
    if (std::string(Trim(id + name)).empty()) {
        id = FileNameWithoutFolder(fileName);
        name.clear();
    }
    const std::string sampleName(Trim(id + " " + name));

    // ---- kind detection ----
    constexpr auto kScan = TXmlMeasurementType::Scan;
    constexpr auto kArea = TXmlMeasurementType::Area;
    const auto hasScanAxis = [&](TXmlAxis axis) {
        return scanner.Absolute(PositionPath(kScan, axis, TXmlName::StartPosition)) >= 0 ||
               scanner.Absolute(PositionPath(kScan, axis, TXmlName::ListPositions)) >= 0;
    };
    const auto readScanAxis = [&](TXmlAxis axis, const char* noEndMessage) {
        AxisRange range;
        const int32_t start = scanner.Absolute(PositionPath(kScan, axis, TXmlName::StartPosition));
        if (start < 0) {
            range.List = scanner.Absolute(PositionPath(kScan, axis, TXmlName::ListPositions));
            return range;
        }
        const int32_t end = scanner.Absolute(PositionPath(kScan, axis, TXmlName::EndPosition));
        if (end < 0) throw TrevascError(noEndMessage);
        range.Start = ConvertText(document, start);
        range.End = ConvertText(document, end);
        return range;
    };

    std::optional<AxisRange> single;
    TScanKind kind = TScanKind::TwoTheta;
    bool areaListed = false;
    TXmlAxis secondAxis = TXmlAxis::Omega;
    TXmlName secondPosition = TXmlName::StartPosition;
    const TXmlPath nextEnd = {Step(TXmlName::EndPosition)};

    if (hasScanAxis(TXmlAxis::TwoTheta) && hasScanAxis(TXmlAxis::Omega)) {
        // A coupled 2Theta-Omega scan is read on its 2Theta axis.
        single = readScanAxis(TXmlAxis::TwoTheta,
                              "No end position found, maybe no 2-Theta-Omega type scan or data "
                              "error");
    } else if (hasScanAxis(TXmlAxis::Omega)) {
        kind = TScanKind::Omega;
        single = readScanAxis(TXmlAxis::Omega,
                              "No end position found, maybe no Omega type scan or data error");
    } else if (hasScanAxis(TXmlAxis::Phi)) {
        kind = TScanKind::Phi;
        single = readScanAxis(TXmlAxis::Phi,
                              "No end position found, maybe no Phi type scan or data error");
    } else if (hasScanAxis(TXmlAxis::Psi)) {
        kind = TScanKind::Psi;
        single = readScanAxis(TXmlAxis::Psi,
                              "No end position found, maybe no Psi type scan or data error");
    } else {
        if (scanner.Absolute(PositionPath(kArea, TXmlAxis::TwoTheta, TXmlName::StartPosition)) >=
            0) {
            if (scanner.Relative(nextEnd) < 0)
                throw TrevascError(
                    "No end position found, maybe no 2Theta-area-type scan or data error");
        } else if (scanner.Absolute(
                       PositionPath(kArea, TXmlAxis::TwoTheta, TXmlName::ListPositions)) >= 0) {
            areaListed = true;
        } else if (hasScanAxis(TXmlAxis::TwoTheta)) {
            // A detector scan: 2Theta is the only axis that moves, Omega stands at a common
            // position (or is not listed), as in grazing-incidence measurements. It is read on its
            // 2Theta axis like a coupled scan; the rules above still decide every file that they
            // recognise.
            single = readScanAxis(TXmlAxis::TwoTheta,
                                  "No end position found, maybe no 2Theta type scan or data error");
        } else {
            throw TrevascError(
                "No start position found. This is neither a TwoTheta, Omega, Phi nor Psi Scan, "
                "and also no known area-type scan!");
        }
    }
    if (!single) {
        bool found = false;
        for (TXmlAxis axis : {TXmlAxis::Omega, TXmlAxis::Phi, TXmlAxis::Psi}) {
            if (scanner.Absolute(PositionPath(kArea, axis, TXmlName::StartPosition)) < 0) continue;
            if (scanner.Relative(nextEnd) < 0)
                throw TrevascError(
                    "No 2nd axis end position found, maybe no 2Theta-area-type scan or data "
                    "error");
            secondAxis = axis;
            found = true;
            break;
        }
        if (!found) {
            if (scanner.Absolute(PositionPath(kArea, TXmlAxis::Omega, TXmlName::CommonPosition)) <
                0)
                throw TrevascError(
                    "No 2nd axis found, maybe no 2Theta-area-type scan or data error (we support "
                    "a series of 2Theta-Omega, 2Theta-Phi, 2Theta-Psi, or 2Theta scans)");
            secondAxis = TXmlAxis::Omega;
            secondPosition = TXmlName::CommonPosition;
            kind = TScanKind::TwoThetaCommonOmega;
        }
    }
    CheckAdditionalKind(registry, main, kind);

    std::vector<TParsedScan> scans;
    ReadResult result;
    if (single) {
        // ---- single scan ----
        int32_t data = scanner.Absolute(DataPath(kScan, TXmlName::Intensities));
        bool rawCounts = false;
        if (data < 0) {
            data = scanner.Absolute(DataPath(kScan, TXmlName::Counts));
            rawCounts = data >= 0;
        }
        TParsedScan scan;
        scan.Points = ReadIntensities(document, data, rawCounts);
        CheckPointCount(document, data, scan.Points.size(), rawCounts);
        if (single->List >= 0)
            SetListedPositions(document, scan.Points, single->List);
        else
            SetRangePositions(scan.Points, single->Start, single->End);
        scan.Name = sampleName;
        scans.push_back(std::move(scan));
    } else {
        // ---- area measurement ----
        // Intensities: scan 1 absolute, each further scan relative to the previous one; the
        // first scan without data ends the series.
        TXmlName dataName = TXmlName::Intensities;
        int32_t data = scanner.Absolute(DataPath(kArea, TXmlName::Intensities));
        if (data < 0) {
            const int32_t counts = scanner.Absolute(DataPath(kArea, TXmlName::Counts));
            if (counts >= 0) {
                data = counts;
                dataName = TXmlName::Counts;
            }
        }
        const bool rawCounts = dataName == TXmlName::Counts;
        std::vector<int32_t> dataTexts{data};
        if (data >= 0) {
            const TXmlPath next = NextScanDataPath(dataName);
            for (int32_t t = scanner.Relative(next); t >= 0; t = scanner.Relative(next))
                dataTexts.push_back(t);
        }
        scans.resize(dataTexts.size());
        // Start and end of the 2Theta axis, scan by scan; a scan without them gets 0. They are
        // read before the intensities so that each scan gets its positions in the pass that
        // converts its intensities (a second pass over 64 MB of points costs more than all of
        // the arithmetic); an error in them is reported after the intensities', in the order
        // of the checks.
        std::vector<std::pair<double, double>> ranges(areaListed ? 0 : scans.size());
        std::exception_ptr rangeError;
        if (!areaListed) {
            try {
                const TXmlPath next =
                    NextScanPositionPath(TXmlAxis::TwoTheta, TXmlName::StartPosition);
                for (size_t i = 0; i < scans.size(); ++i) {
                    const int32_t start =
                        i == 0 ? scanner.Absolute(PositionPath(kArea, TXmlAxis::TwoTheta,
                                                               TXmlName::StartPosition))
                               : scanner.Relative(next);
                    const int32_t end = scanner.Relative(nextEnd);
                    if (start >= 0 && end >= 0)
                        ranges[i] = {ConvertText(document, start), ConvertText(document, end)};
                }
            } catch (const TrevascError&) {
                rangeError = std::current_exception();
            }
        }
        ConvertScans(document, dataTexts, parallelFrom, [&](size_t i) {
            scans[i].Points = ReadIntensities(document, dataTexts[i], rawCounts);
            if (!areaListed) SetRangePositions(scans[i].Points, ranges[i].first, ranges[i].second);
        });
        if (rangeError) std::rethrow_exception(rangeError);

        // Listed positions of the 2Theta axis, scan by scan; a scan without a list gets 0.
        if (areaListed) {
            const TXmlPath next = NextScanPositionPath(TXmlAxis::TwoTheta, TXmlName::ListPositions);
            for (size_t i = 0; i < scans.size(); ++i) {
                const int32_t list = i == 0
                                         ? scanner.Absolute(PositionPath(kArea, TXmlAxis::TwoTheta,
                                                                         TXmlName::ListPositions))
                                         : scanner.Relative(next);
                if (list >= 0)
                    SetListedPositions(document, scans[i].Points, list);
                else
                    SetRangePositions(scans[i].Points, 0.0, 0.0);
            }
        }

        for (size_t i = 0; i < scans.size(); ++i)
            CheckPointCount(document, dataTexts[i], scans[i].Points.size(), rawCounts);

        // Second axis: the middle of its start and end, or its common position.
        const TXmlPath next = NextScanPositionPath(secondAxis, secondPosition);
        const std::string axisName = AxisName(secondAxis);
        for (size_t i = 0; i < scans.size(); ++i) {
            const int32_t x1 =
                i == 0 ? scanner.Absolute(PositionPath(kArea, secondAxis, secondPosition))
                       : scanner.Relative(next);
            double p1 = 0.0, p2 = 0.0;
            if (secondPosition == TXmlName::StartPosition) {
                const int32_t x2 = scanner.Relative(nextEnd);
                if (x1 >= 0 && x2 >= 0) {
                    p1 = ConvertText(document, x1);
                    p2 = ConvertText(document, x2);
                }
            } else if (x1 >= 0) {
                p1 = p2 = ConvertText(document, x1);
            }
            TParsedScan& scan = scans[i];
            scan.SecondAxisPosition = (p1 + p2) / 2.0;
            scan.SecondAxisName = axisName;
            const std::string label =
                axisName + "=" + FormatFixed(scan.SecondAxisPosition, 3) + kDegree;
            scan.Name = main ? label : sampleName + " " + label;
        }
        result.PlotName = sampleName;
    }
    CommitScans(registry, main, kind, std::move(scans));
    return result;
}

ReadResult ReadXmlMeasurementText(std::string_view content, const std::string& fileName, bool main,
                                  ScanRegistry& registry, Prompts& prompts) {
    return ReadXmlMeasurementText(content, fileName, main, registry, prompts, kParallelReadFrom);
}

}  // namespace trevasc::formats
