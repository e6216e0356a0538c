#pragma once
// Operations on the main scan's peak list. The peak records are the one source of truth for the
// list rows and their check marks (TPeak::Checked); the list widget only shows them. A
// "highlighted row" is the list row the user selected, -1 for none.
#include <string>
#include <vector>

#include "core/Prompts.h"
#include "core/ScanData.h"
#include "formats/TextExchange.h"

namespace trevasc::analysis {

inline constexpr const char* kAddPeakCaption = "Add peak by two theta value";
inline constexpr const char* kAddPeakPrompt = "Peak Position";
inline constexpr const char* kIdentifyCaption = "Identify peak";

// Peaks whose positions differ by less than this (degrees) receive a description sent back by
// the lattice and thickness windows.
inline constexpr double kDescriptionMatchDistance = 0.01;

// The row text of a peak in the list ("33.012: Si (004)") is formats::PeakRowText.
using formats::PeakRowText;

// Adds a peak at its sorted place (core AddPeak) and marks the list unsaved; returns its row.
int AddPeakToMainScan(TDataSet& mainScan, double position, const std::string& description = {},
                      bool checked = true);

// Removes the peak of the highlighted row. False (nothing changed) without a valid row.
bool DeleteHighlightedPeak(TDataSet& mainScan, int highlightedRow);

// "Please enter a description for the peak at 33.012°"
std::string IdentifyPromptText(double position, char decimalSeparator = '.');

// Gives the peak of the highlighted row the text as description. False without a valid row.
bool IdentifyPeak(TDataSet& mainScan, int highlightedRow, const std::string& text);

// "Identify": asks for the description (preset with the current one; Cancel keeps it).
bool IdentifyHighlightedPeak(TDataSet& mainScan, int highlightedRow, Prompts& prompts,
                             char decimalSeparator = '.');

// "Check all" / "Uncheck all". True (and the list marked unsaved) when a check mark changed.
bool SetAllChecks(TDataSet& mainScan, bool checked);

// Shifts every peak so that its lattice constant lies on the line a = k * NR + a0 (Nelson-Riley
// abscissa). Nothing happens when k = 0.
void AdjustPeakPositions(TDataSet& mainScan, double a0, double k);

// For each (position, text) pair in order: every peak closer than 0.01° to the position gets the
// text as description.
void SetPeakDescriptionsByPosition(TDataSet& mainScan, const std::vector<double>& positions,
                                   const std::vector<std::string>& texts);

struct TPeakSelection {
    int HighlightedRow = -1;  // row highlighted afterwards
    bool Toggled = false;     // the nearest peak's row was already highlighted: check mark toggled
};

// A click on a peak marker: highlights the row of the nearest peak, or toggles its check mark if
// that row is already highlighted. Without peaks the highlighted row stays as it is.
TPeakSelection SelectPeakNearPosition(TDataSet& mainScan, double position, int highlightedRow);

// Lines handed to the lattice and thickness windows: the checked peaks' positions, 3 decimals,
// in list order.
std::vector<std::string> CheckedPeakLines(const TDataSet& mainScan, char decimalSeparator = '.');

}  // namespace trevasc::analysis
