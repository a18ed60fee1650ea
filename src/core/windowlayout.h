#pragma once

// The arithmetic of the main window's layout, in twips: the typing area fills
// the width less a margin, twelve key columns share that width, the key height
// follows the free height below the template key, the four suggestion buttons
// stand right above the keys, and the Speak button right of the typing area.
namespace WindowLayout {

inline constexpr double kMargin = 250;
inline constexpr double kKeyHeightDivisor = 11.35;
inline constexpr int kColumns = 12;
inline constexpr double kAnchorTop = 2100;
inline constexpr double kAnchorLeft = 1;

struct Input
{
    double windowWidth = 0; // outer size
    double windowHeight = 0;
    double anchorTop = kAnchorTop;
    double speakWidth = 0;
    double suggestionHeight = 0;
    double suggestionLeft = 0; // WordSelect(0) keeps its left
};

struct Result
{
    double keyWidth = 0;
    double keyHeight = 0;
    double fullWidth = 0; // typing area before the Speak button; frame and label width
    double suggestionTop = 0;
    double suggestionWidth = 0;
    double suggestionLeft[4] = {};
    double typingHeight = 0; // also the frame, label and Speak height
    double typingWidth = 0;
    double speakLeft = 0;
};

// Sizes never go below zero, however small the window.
Result compute(const Input &in);

} // namespace WindowLayout
