// The eight highlight colours of embedded tags, shared by the tag edit dialog and the embedded
// tags pane (the editor page uses the same values).
#pragma once

#include <QColor>
#include <QString>

struct THighlightColour
{
    const char* Name;
    int R, G, B;
};

// In swatch order: yellow, orange, green, teal, blue, purple, red, pink.
extern const THighlightColour HIGHLIGHT_COLOURS[8];
extern const char* const SWATCH_NAMES[8];

// The colour of an exact (case-sensitive) name; any other text gives yellow.
QColor HighlightColour(const QString& AName);
