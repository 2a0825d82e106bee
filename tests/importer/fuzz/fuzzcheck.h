// What every fuzz target checks of a result: it must have a UTF-8 form.
#pragma once

#include <QByteArray>
#include <QString>
#include <cstdio>
#include <cstdlib>

// UTF-16 text has a UTF-8 form when every surrogate is half of a pair.
inline bool HasUTF8Form(const QString& AText)
{
    for (qsizetype k = 0; k < AText.size(); ++k) {
        if (AText[k].isHighSurrogate() && k + 1 < AText.size() && AText[k + 1].isLowSurrogate())
            ++k;
        else if (AText[k].isSurrogate())
            return false;
    }
    return true;
}

inline void RequireUTF8(const QString& AText, const char* AWhat)
{
    if (!HasUTF8Form(AText)) {
        std::fprintf(stderr, "%s is not valid UTF-8\n", AWhat);
        std::abort();
    }
}

inline QByteArray FuzzBytes(const uint8_t* AData, size_t ASize)
{
    return QByteArray(reinterpret_cast<const char*>(AData), qsizetype(ASize));
}
