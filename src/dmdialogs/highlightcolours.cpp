#include "highlightcolours.h"

const THighlightColour HIGHLIGHT_COLOURS[8] = {{"yellow", 245, 255, 162}, {"orange", 255, 208, 128},
                                               {"green", 170, 255, 162},  {"teal", 160, 240, 232},
                                               {"blue", 159, 209, 255},   {"purple", 200, 160, 255},
                                               {"red", 255, 139, 139},    {"pink", 255, 176, 208}};

const char* const SWATCH_NAMES[8] = {"yellow", "orange", "green", "teal",
                                     "blue",   "purple", "red",   "pink"};

QColor HighlightColour(const QString& AName)
{
    for (const THighlightColour& c : HIGHLIGHT_COLOURS)
        if (AName == QLatin1String(c.Name))
            return QColor(c.R, c.G, c.B);
    const THighlightColour& y = HIGHLIGHT_COLOURS[0];
    return QColor(y.R, y.G, y.B);
}
