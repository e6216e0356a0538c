#pragma once
// Internals of the XML measurement reader: the parsed document and its path queries.
//
// A query names an element path with attribute filters, for example
// xrdMeasurements / xrdMeasurement[measurementType=Scan] / scan / dataPoints / intensities, and
// returns the first text content whose path equals it, starting either at the top of the
// document (absolute) or where the previous query stopped (relative). Element names and
// attribute values compare without regard to letter case and without namespace prefix; path
// attributes that a query does not name are ignored, and an attribute the query names must be
// present with the named value.
//
// The document is read once with libxml2's pull reader into a compact list of events (start
// tag, end tag, text) that keeps exactly what the queries can see, and the queries then walk
// that list. The list keeps every start and end tag (they make up the paths); for start tags only
// the name among those the queries use (any other name is "Other", which matches no query) and
// the three filter attributes; and only the texts of elements that a query can end on. Such an
// element's text is its whole content as XML defines it: all its character data, CDATA sections
// included, comments and processing instructions left out, so "1 2 <!-- c --> 3" holds three
// numbers. It stands as one text event right before the element's end tag, also when it is empty
// (an empty list is then seen, not the next scan's). Empty element tags of other elements change
// nothing, as they change no path and are never a query's answer.
#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

namespace trevasc::formats::xml {

// Element names the queries use; everything else is Other.
enum class TXmlName : uint8_t {
    Other,
    XrdMeasurements,
    Sample,
    Id,
    Name,
    XrdMeasurement,
    Scan,
    DataPoints,
    Positions,
    StartPosition,
    EndPosition,
    CommonPosition,
    ListPositions,
    Intensities,
    Counts,
    BeamAttenuationFactors,
    CommonBeamAttenuationFactor,
    CountingTimes,
};

// Attribute filters. Any = the query does not name the attribute; Unknown = the attribute is
// missing or has a value no query asks for.
enum class TXmlMeasurementType : uint8_t { Any, Scan, Area, Unknown };
enum class TXmlAxis : uint8_t { Any, TwoTheta, Omega, Phi, Psi, Unknown };

struct TXmlStep {
    TXmlName Name = TXmlName::Other;
    TXmlMeasurementType MeasurementType = TXmlMeasurementType::Any;
    TXmlAxis Axis = TXmlAxis::Any;
    bool UnitDeg = false;  // query names unit=deg
};

using TXmlPath = std::vector<TXmlStep>;

class XmlDocument {
  public:
    // Parses the whole text; throws TrevascError "Error while reading XML file." when it is
    // not well-formed XML, followed by the line and libxml2's reason when they are known
    // ("Error while reading XML file. Line 3: Opening and ending tag mismatch: ...").
    explicit XmlDocument(std::string_view content);

    struct Event {
        enum Kind : uint8_t { Start, End, Text } EventKind;
        TXmlName Name = TXmlName::Other;  // Start
        TXmlMeasurementType MeasurementType = TXmlMeasurementType::Unknown;
        TXmlAxis Axis = TXmlAxis::Unknown;
        bool UnitDeg = false;
        int32_t TextIndex = -1;  // Text
    };
    struct TextNode {
        std::string Value;  // as in the file (entities resolved), not yet normalised
        // The dataPoints element it belongs to (as a child, or through positions), if any.
        int32_t DataPoints = -1;
    };
    // Texts of one dataPoints element besides its data: the attenuation factors and the other
    // lists that hold one value per point (first of each kind).
    struct DataPointsInfo {
        int32_t AttenuationFactors = -1;
        int32_t CommonAttenuationFactor = -1;
        int32_t CountingTimes = -1;
        std::vector<int32_t> ListedPositions;  // of every axis
    };

    const std::vector<Event>& Events() const { return events_; }
    const TextNode& Text(int32_t index) const { return texts_[static_cast<size_t>(index)]; }
    const DataPointsInfo& DataPoints(int32_t index) const {
        return dataPoints_[static_cast<size_t>(index)];
    }
    // The text with white space normalised: trimmed, inner runs of blanks, tabs, CR and LF
    // reduced to one blank. Empty for index -1.
    std::string NormalizedText(int32_t index) const;

  private:
    std::vector<Event> events_;
    std::vector<TextNode> texts_;
    std::vector<DataPointsInfo> dataPoints_;
};

// Runs path queries over a document, remembering where the last one stopped.
class XmlPathScanner {
  public:
    explicit XmlPathScanner(const XmlDocument& document) : document_(document) {}

    // Query from the top of the document.
    int32_t Absolute(const TXmlPath& path) {
        position_ = 0;
        return Relative(path);
    }
    // Query from where the previous one stopped; the path starts empty there, and end tags of
    // elements opened before leave it empty. Returns the text index, or -1 when the document
    // ends first (and every later relative query then finds nothing either).
    int32_t Relative(const TXmlPath& path);

  private:
    bool Matches(const TXmlPath& path) const;

    const XmlDocument& document_;
    size_t position_ = 0;
    std::vector<uint32_t> open_;  // event indices of the start tags on the current path
};

}  // namespace trevasc::formats::xml
