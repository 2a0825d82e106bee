// RTF import: one scan over the file with the group state (skipping, hidden and deleted runs,
// Unicode fallback count, font) saved and restored with the groups; characters written as
// code-page bytes or Unicode escapes are decoded through the code page of the font in use.
// Footnotes are read into paragraphs of their own, written after the paragraph that holds
// their mark; an automatic mark shows its note's number in both places. The text of a shape
// or frame (and that of a WordArt shape) is read into paragraphs where it stands.
#include "importer.h"
#include "importer_p.h"

#include <QStringDecoder>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

using namespace importer;

namespace {

// The bytes above 127 of one code page. Single-byte pages are read through a table, the
// double-byte ones (and UTF-8) through a decoder that keeps a lead byte for its trail.
class TCodePage
{
public:
    explicit TCodePage(int ACodePage)
    {
        if (ACodePage == 1252 || ACodePage <= 0)
            return;
        const bool multi = ACodePage == 932 || ACodePage == 936 || ACodePage == 949 ||
                           ACodePage == 950 || ACodePage == 1361 || ACodePage == 54936 ||
                           ACodePage == 65001;
        for (const std::string& codec : Names(ACodePage)) {
            const char* name = codec.c_str();
            QStringDecoder probe(name);
            if (!probe.isValid())
                continue;
            if (multi) {
                FDecoder = std::make_unique<QStringDecoder>(name);
            } else {
                FTable.resize(128);
                for (int b = 0x80; b <= 0xFF; ++b) {
                    QStringDecoder one(name);
                    const char byte = char(b);
                    const QString s = one.decode(QByteArrayView(&byte, 1));
                    const bool usable = s.size() == 1 && s[0].unicode() >= 0x20 &&
                                        s[0] != QChar(QChar::ReplacementCharacter);
                    FTable[b - 0x80] = usable ? s[0].unicode() : 0;
                }
                FHasTable = true;
            }
            return;
        }
    }

    bool IsMultiByte() const { return FDecoder != nullptr; }

    // Appends the character(s) of AByte (single-byte pages: bytes above 127 only).
    void Put(unsigned char AByte, QString& AOut)
    {
        if (FDecoder) {
            const char byte = char(AByte);
            const QString s = FDecoder->decode(QByteArrayView(&byte, 1));
            for (const QChar c : s) {
                if (c.unicode() >= 0x20)
                    AOut.append(c);
            }
            return;
        }
        const char16_t c = FHasTable ? FTable[AByte - 0x80] : Cp1252Char(AByte);
        if (c != 0)
            AOut.append(QChar(c));
    }

private:
    static std::vector<std::string> Names(int ACodePage)
    {
        switch (ACodePage) {
        case 932:
            return {"windows-932", "Shift_JIS"};
        case 936:
            return {"windows-936", "GBK"};
        case 949:
            return {"windows-949"};
        case 950:
            return {"windows-950", "Big5"};
        case 1361:
            return {"johab"};
        case 54936:
            return {"GB18030"};
        case 65001:
            return {"UTF-8"};
        case 10000:
            return {"macintosh"};
        default: {
            const std::string n = std::to_string(ACodePage);
            return {"windows-" + n, "cp" + n, "IBM" + n};
        }
        }
    }

    std::unique_ptr<QStringDecoder> FDecoder;
    std::vector<char16_t> FTable;
    bool FHasTable = false;
};

// The code page of a font's character set; 0 where the document's code page applies.
int CharsetCodePage(int ACharset)
{
    switch (ACharset) {
    case 128:
        return 932;
    case 129:
        return 949;
    case 134:
        return 936;
    case 136:
        return 950;
    case 161:
        return 1253;
    case 162:
        return 1254;
    case 177:
        return 1255;
    case 178:
        return 1256;
    case 186:
        return 1257;
    case 204:
        return 1251;
    case 222:
        return 874;
    case 238:
        return 1250;
    default:
        return 0;
    }
}

enum class EWord
{
    wBreak,       // par, line and the ends of rows, pages and sections
    wDestination, // a group whose text is not part of the body
    wField,
    wFieldResult,
    wFootnote,
    wEndnote,   // \ftnalt: the footnote being read is an endnote
    wNoteMark,  // \chftn: the automatic mark of a footnote or endnote
    wNoteStyle, // how notes are numbered: Char holds the ENoteStyle, 0x100 added for endnotes
    wNoteStart, // the number of the first note: Char is 1 for endnotes
    wShape,     // the instructions of a shape or frame: only its text is read
    wShapeText,
    wProperty,      // \sp: one property of a shape, its name and value
    wPropertyName,  // \sn
    wPropertyValue, // \sv
    wHidden,        // \v: hidden text
    wDeleted,       // a tracked deletion
    wUnicode,
    wUnicodeCount,
    wBinary,
    wFontTable,
    wFont,
    wFontCharset,
    wDefaultFont,
    wPlain,
    wAnsiCodePage,
    wAnsi,
    wMac,
    wPC,
    wPCA,
    wChar // a word that stands for one character
};

enum ENoteStyle : char16_t
{
    nsFigures,
    nsLowerLetters,
    nsUpperLetters,
    nsLowerRoman,
    nsUpperRoman,
    nsSymbols // *, †, ‡, §, then each of them doubled, tripled...
};

struct TWordInfo
{
    EWord Kind;
    char16_t Char = 0;
};

const TWordInfo* LookUpWord(std::string_view AWord)
{
    static const std::unordered_map<std::string_view, TWordInfo> words = [] {
        std::unordered_map<std::string_view, TWordInfo> m;
        // A table row, page and section end a paragraph too.
        for (const char* w : {"par", "line", "row", "nestrow", "page", "sect"})
            m.emplace(w, TWordInfo{EWord::wBreak});
        for (const char* w : {"colortbl",  "stylesheet",   "info",      "pict",
                              "object",    "fldinst",      "header",    "headerl",
                              "headerr",   "headerf",      "footer",    "footerl",
                              "footerr",   "footerf",      "listtable", "listoverridetable",
                              "rsidtbl",   "xmlnstbl",     "themedata", "colorschememapping",
                              "datastore", "latentstyles", "generator", "bkmkstart",
                              "bkmkend",   "shprslt"})
            m.emplace(w, TWordInfo{EWord::wDestination});
        m.emplace("field", TWordInfo{EWord::wField});
        m.emplace("fldrslt", TWordInfo{EWord::wFieldResult});
        m.emplace("footnote", TWordInfo{EWord::wFootnote});
        m.emplace("ftnalt", TWordInfo{EWord::wEndnote});
        m.emplace("chftn", TWordInfo{EWord::wNoteMark});
        // How the document and a section number footnotes and endnotes: "ftnn", "sftnn",
        // "aftnn" and "saftnn" and the style's letters. The map's keys view these strings.
        static const std::vector<std::pair<std::string, char16_t>> styleWords = [] {
            const std::pair<const char*, ENoteStyle> styles[] = {
                {"ar", nsFigures},     {"alc", nsLowerLetters}, {"auc", nsUpperLetters},
                {"rlc", nsLowerRoman}, {"ruc", nsUpperRoman},   {"chi", nsSymbols}};
            std::vector<std::pair<std::string, char16_t>> v;
            for (const char* prefix : {"ftnn", "sftnn", "aftnn", "saftnn"}) {
                const bool endnote = std::string_view(prefix).find('a') != std::string_view::npos;
                for (const auto& [suffix, style] : styles)
                    v.emplace_back(std::string(prefix) + suffix,
                                   char16_t(style + (endnote ? 0x100 : 0)));
            }
            return v;
        }();
        for (const auto& [w, code] : styleWords)
            m.emplace(w, TWordInfo{EWord::wNoteStyle, code});
        m.emplace("ftnstart", TWordInfo{EWord::wNoteStart, 0});
        m.emplace("sftnstart", TWordInfo{EWord::wNoteStart, 0});
        m.emplace("aftnstart", TWordInfo{EWord::wNoteStart, 1});
        m.emplace("saftnstart", TWordInfo{EWord::wNoteStart, 1});
        m.emplace("shpinst", TWordInfo{EWord::wShape});
        m.emplace("shptxt", TWordInfo{EWord::wShapeText});
        m.emplace("sp", TWordInfo{EWord::wProperty});
        m.emplace("sn", TWordInfo{EWord::wPropertyName});
        m.emplace("sv", TWordInfo{EWord::wPropertyValue});
        m.emplace("v", TWordInfo{EWord::wHidden});
        m.emplace("deleted", TWordInfo{EWord::wDeleted});
        m.emplace("u", TWordInfo{EWord::wUnicode});
        m.emplace("uc", TWordInfo{EWord::wUnicodeCount});
        m.emplace("bin", TWordInfo{EWord::wBinary});
        m.emplace("fonttbl", TWordInfo{EWord::wFontTable});
        m.emplace("f", TWordInfo{EWord::wFont});
        m.emplace("fcharset", TWordInfo{EWord::wFontCharset});
        m.emplace("deff", TWordInfo{EWord::wDefaultFont});
        m.emplace("plain", TWordInfo{EWord::wPlain});
        m.emplace("ansicpg", TWordInfo{EWord::wAnsiCodePage});
        m.emplace("ansi", TWordInfo{EWord::wAnsi});
        m.emplace("mac", TWordInfo{EWord::wMac});
        m.emplace("pc", TWordInfo{EWord::wPC});
        m.emplace("pca", TWordInfo{EWord::wPCA});
        const std::pair<const char*, char16_t> chars[] = {
            {"lquote", 0x2018},
            {"rquote", 0x2019},
            {"ldblquote", 0x201C},
            {"rdblquote", 0x201D},
            {"endash", 0x2013},
            {"emdash", 0x2014},
            {"bullet", 0x2022},
            {"tab", u'\t'},
            // The end of a table cell keeps it apart from the next cell's text.
            {"cell", u'\t'},
            {"nestcell", u'\t'}};
        for (const auto& [w, c] : chars)
            m.emplace(w, TWordInfo{EWord::wChar, c});
        return m;
    }();
    const auto it = words.find(AWord);
    return it == words.end() ? nullptr : &it->second;
}

// How a note's number is shown in the given style; in figures where the style has no form
// for it (zero or below, letters or symbols repeated more than ten times, Roman numerals
// beyond 3999).
QString NoteNumber(int ANumber, ENoteStyle AStyle)
{
    const int n = ANumber;
    switch (AStyle) {
    case nsLowerLetters:
    case nsUpperLetters:
        if (n >= 1 && n <= 260)
            return QString(
                (n - 1) / 26 + 1,
                QChar(char16_t((AStyle == nsLowerLetters ? u'a' : u'A') + (n - 1) % 26)));
        break;
    case nsSymbols:
        if (n >= 1 && n <= 40) {
            static const char16_t symbols[] = {u'*', 0x2020, 0x2021, 0x00A7};
            return QString((n - 1) / 4 + 1, QChar(symbols[(n - 1) % 4]));
        }
        break;
    case nsLowerRoman:
    case nsUpperRoman:
        if (n >= 1 && n <= 3999) {
            static const std::pair<int, const char*> parts[] = {
                {1000, "m"}, {900, "cm"}, {500, "d"}, {400, "cd"}, {100, "c"},
                {90, "xc"},  {50, "l"},   {40, "xl"}, {10, "x"},   {9, "ix"},
                {5, "v"},    {4, "iv"},   {1, "i"}};
            QString r;
            int rest = n;
            for (const auto& [value, letters] : parts) {
                for (; rest >= value; rest -= value)
                    r += QLatin1String(letters);
            }
            return AStyle == nsUpperRoman ? r.toUpper() : r;
        }
        break;
    case nsFigures:
        break;
    }
    return QString::number(n);
}

struct TGroupState
{
    bool Dest = false;
    // Whether the text around the field that encloses this group is skipped: the field's
    // result is shown exactly where that text would be (not in a header, for example).
    bool FieldDest = false;
    // The same for the shape whose instructions enclose this group: its text is shown where
    // the text around the shape would be.
    bool ShapeDest = false;
    bool Footnote = false;     // text of a footnote, written after the paragraph of its mark
    bool ShapeText = false;    // the text of a shape or frame
    bool Shape = false;        // inside the instructions of a shape
    bool PropertyName = false; // the name of a shape's property: read, never shown
    // Hidden text and tracked deletions give no characters; their breaks still end lines.
    bool Hidden = false;
    bool Deleted = false;
    bool FontTable = false; // inside the font table: \f and \fcharset define a font
    int UC = 1;
    int Font = -1; // -1: the default font
};

// ACh: unsigned char when the source is the file's bytes, char16_t for decoded text.
template <typename ACh> class TRTFReader
{
public:
    TRTFReader(const ACh* ASrc, qsizetype ASize) : FSrc(ASrc), FN(ASize) {}

    // The paragraphs of the text, each line written out as soon as it ends.
    QString Run()
    {
        const qsizetype n = FN;
        FOut.reserve(n / 4);
        qsizetype i = 0;
        while (i < n) {
            const char16_t c = FSrc[i];
            if (c == u'{') {
                FSkip = 0;
                FStarred = false;
                if (STop < 63)
                    DStack[STop++] = FState;
                ++i;
            } else if (c == u'}') {
                FSkip = 0;
                FStarred = false;
                if (STop > 0)
                    CloseGroup(DStack[--STop]);
                ++i;
            } else if (c == u'\\') {
                if (i + 1 >= n)
                    break;
                i = Escape(i + 1);
            } else {
                ++i;
                // Line breaks of the source only wrap it: they are not text.
                if (c == u'\r' || c == u'\n')
                    continue;
                if (FSkip > 0) {
                    --FSkip;
                    continue;
                }
                if (FState.PropertyName) {
                    if (FPropertyName.size() < 32)
                        FPropertyName.append(QChar(c));
                    continue;
                }
                if (!Shown() || c < 0x20)
                    continue;
                if (IsBytes && (c >= 0x80 || Page().IsMultiByte()))
                    AddByte(static_cast<unsigned char>(c));
                else
                    AddChar(c);
            }
        }
        // A text cut short inside a footnote: its line, then the body's.
        FlushSurrogate();
        if (FState.Footnote) {
            EndLine();
            FState.Footnote = false;
        }
        EndLine();
        FOut.squeeze();
        return FOut;
    }

private:
    static constexpr bool IsBytes = sizeof(ACh) == 1;

    int CodePageOf(int AFont) const
    {
        const auto it = FFontCharsets.find(AFont < 0 ? FDefaultFont : AFont);
        const int cp = it == FFontCharsets.end() ? 0 : CharsetCodePage(it->second);
        return cp != 0 ? cp : FDocCodePage;
    }

    TCodePage& Page()
    {
        const int cp = CodePageOf(FState.Font);
        if (!FPage || cp != FPageCodePage) {
            auto& page = FPages[cp];
            if (!page)
                page = std::make_unique<TCodePage>(cp);
            FPage = page.get();
            FPageCodePage = cp;
        }
        return *FPage;
    }

    // Whether characters read now are text of the document.
    bool Shown() const { return !FState.Dest && !FState.Hidden && !FState.Deleted; }

    // The line being read: a footnote's or the body's. The text of a shape starts a line of
    // its own with its first character, so that a shape without text breaks no line.
    QString& Line()
    {
        if (FState.Footnote)
            return FNoteLine;
        if (FBreakBeforeText)
            EndLine();
        return FPlain;
    }

    void FlushSurrogate()
    {
        if (FHigh != 0)
            Line().append(QChar(QChar::ReplacementCharacter));
        FHigh = 0;
    }

    // Restores the state saved when the group opened; a footnote's or shape's text that
    // ends with the group ends its line.
    void CloseGroup(const TGroupState& ASaved)
    {
        const bool endsText = (FState.Footnote && !ASaved.Footnote) ||
                              (FState.ShapeText && !ASaved.ShapeText && !FState.Dest);
        if (endsText && FBreakBeforeText && !FState.Footnote) {
            FBreakBeforeText = false; // the shape held no text
        } else if (endsText) {
            FlushSurrogate();
            EndLine();
        }
        FState = ASaved;
    }

    void AddChar(char32_t AChar)
    {
        if (AChar >= 0xD800 && AChar <= 0xDBFF) {
            FlushSurrogate();
            FHigh = char16_t(AChar);
            return;
        }
        if (AChar >= 0xDC00 && AChar <= 0xDFFF) {
            if (FHigh != 0) {
                Line().append(QChar(FHigh));
                Line().append(QChar(char16_t(AChar)));
                FHigh = 0;
            } else {
                Line().append(QChar(QChar::ReplacementCharacter));
            }
            return;
        }
        FlushSurrogate();
        Line().append(QChar::fromUcs4(AChar));
    }

    void AddByte(unsigned char AByte)
    {
        FlushSurrogate();
        TCodePage& page = Page();
        if (AByte < 0x80 && !page.IsMultiByte()) {
            if (AByte >= 0x20)
                Line().append(QChar(AByte));
            return;
        }
        page.Put(AByte, Line());
    }

    // Ends the line being read; the footnotes of a body paragraph follow it.
    void EndLine()
    {
        if (FState.Footnote) {
            AppendParagraph(FNoteLine, FNotes);
            FNoteLine.truncate(0);
            return;
        }
        AppendParagraph(FPlain, FOut);
        FPlain.truncate(0); // keeps its capacity for the next line
        FBreakBeforeText = false;
        FMarkAt = -1;
        if (!FNotes.isEmpty()) {
            FOut.append(FNotes);
            FNotes.truncate(0);
        }
    }

    void LineBreak()
    {
        if (!FState.Dest) {
            FlushSurrogate();
            EndLine();
        }
    }

    static bool IsLetter(char16_t c)
    {
        return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
    }

    // At the character after a backslash; returns the position after the escape.
    qsizetype Escape(qsizetype i)
    {
        const qsizetype n = FN;
        const char16_t c = FSrc[i];
        if (c == u'\'') {
            if (n - (i + 1) < 2)
                return i + 1;
            const int hi = HexValue(FSrc[i + 1]);
            const int lo = HexValue(FSrc[i + 2]);
            if (hi >= 0 && lo >= 0) {
                if (FSkip > 0)
                    --FSkip;
                else if (Shown() && hi * 16 + lo >= 0x20)
                    AddByte(static_cast<unsigned char>(hi * 16 + lo));
            }
            return i + 3;
        }
        FSkip = 0;
        if (c == u'\\' || c == u'{' || c == u'}') {
            if (Shown())
                AddChar(c);
            return i + 1;
        }
        if (c == u'\r' || c == u'\n') {
            LineBreak();
            return i + 1;
        }
        if (!IsLetter(c)) {
            if (c == u'*')
                FStarred = true;
            else if (c == u'~' && Shown())
                AddChar(0x00A0);
            else if (c == u'_' && Shown())
                AddChar(0x2011);
            return i + 1;
        }
        // Control words are at most 32 letters; longer runs are read but match no word.
        char word[33];
        qsizetype len = 0;
        while (i < n && IsLetter(FSrc[i])) {
            if (len < 32)
                word[len] = char(LowerASCII(FSrc[i]));
            ++len;
            ++i;
        }
        bool hasParam = false, negative = false;
        qint64 param = 0;
        if (i < n && FSrc[i] == u'-') {
            negative = hasParam = true;
            ++i;
        }
        while (i < n && FSrc[i] >= u'0' && FSrc[i] <= u'9') {
            hasParam = true;
            if (param < 100000000)
                param = param * 10 + (FSrc[i] - u'0');
            ++i;
        }
        if (negative)
            param = -param;
        if (i < n && FSrc[i] == u' ')
            ++i;
        const TWordInfo* info = len <= 32 ? LookUpWord(std::string_view(word, len)) : nullptr;
        // A group marked with \* is one a reader may skip whole: only the text of a field
        // result, a footnote and a shape is read from such a group.
        if (FStarred) {
            FStarred = false;
            if (!info || (info->Kind != EWord::wFieldResult && info->Kind != EWord::wFootnote &&
                          info->Kind != EWord::wShape && info->Kind != EWord::wShapeText))
                FState.Dest = true;
        }
        if (!info)
            return i;
        if (info->Kind == EWord::wBinary) {
            // N bytes of data follow, braces and backslashes among them.
            if (hasParam && param > 0)
                i = qMin(n, i + qsizetype(param));
            return i;
        }
        Word(*info, hasParam, param);
        return i;
    }

    void SetDocCodePage(int ACodePage) { FDocCodePage = ACodePage; }

    // The text of a shape or frame starts: it is shown where the text around the shape
    // would be, in a line of its own.
    void ShapeText()
    {
        FState.Dest = FState.ShapeDest;
        if (!FState.Dest && !FState.ShapeText) {
            FlushSurrogate();
            if (FState.Footnote)
                EndLine();
            else
                FBreakBeforeText = true;
            FState.ShapeText = true;
        }
    }

    // The next automatic mark of footnotes (AKind 0) or endnotes (1), counted in order.
    QString NextMark(int AKind)
    {
        TNoteCounter& c = FCounters[AKind];
        ++c.Count;
        return NoteNumber(c.Start + c.Count - 1, c.Style);
    }

    // A note starts: a mark the body's text has just shown is its own.
    void StartNote()
    {
        FNoteKind = 0;
        FNoteOwnsMark = FMarkPending && !FState.Dest;
        FNoteMark = FNoteOwnsMark ? FBodyMark : QString();
        FMarkPending = false;
    }

    // The note being read is an endnote: endnotes are counted apart and in their own style,
    // so the mark it took from the body's text is given again, where that text still holds it.
    void MakeEndnote()
    {
        if (FNoteKind == 1)
            return;
        FNoteKind = 1;
        if (!FNoteOwnsMark || FMarkAt < 0 || FMarkAt + FBodyMark.size() > FPlain.size())
            return;
        --FCounters[0].Count;
        FNoteMark = NextMark(1);
        FPlain.replace(FMarkAt, FBodyMark.size(), FNoteMark);
        FBodyMark = FNoteMark;
    }

    // \chftn: in the body the next footnote's number; in a note, that note's own.
    void NoteMark()
    {
        FlushSurrogate();
        if (FState.Footnote) {
            if (FNoteMark.isEmpty())
                FNoteMark = NextMark(FNoteKind);
            FNoteLine.append(FNoteMark);
            return;
        }
        FBodyMark = NextMark(0);
        QString& line = Line();
        FMarkAt = line.size();
        FMarkPending = true;
        line.append(FBodyMark);
    }

    void Word(const TWordInfo& AInfo, bool AHasParam, qint64 AParam)
    {
        const int param = int(qBound(qint64(-1), AParam, qint64(65535)));
        switch (AInfo.Kind) {
        case EWord::wBreak:
            LineBreak();
            break;
        case EWord::wDestination:
            FState.Dest = true;
            break;
        case EWord::wField:
            FState.FieldDest = FState.Dest;
            break;
        case EWord::wFieldResult:
            FState.Dest = FState.FieldDest;
            break;
        case EWord::wFootnote:
            if (!FState.Footnote) {
                FlushSurrogate();
                FState.Footnote = true;
                StartNote();
            }
            break;
        case EWord::wEndnote:
            if (FState.Footnote)
                MakeEndnote();
            break;
        case EWord::wNoteMark:
            if (Shown())
                NoteMark();
            break;
        case EWord::wNoteStyle:
            FCounters[AInfo.Char >> 8].Style = ENoteStyle(AInfo.Char & 0xFF);
            break;
        case EWord::wNoteStart:
            if (AHasParam)
                FCounters[AInfo.Char].Start = param;
            break;
        case EWord::wShape:
            FState.ShapeDest = FState.Dest;
            FState.Dest = true;
            FState.Shape = true;
            break;
        case EWord::wShapeText:
            ShapeText();
            break;
        case EWord::wProperty:
            FState.Dest = true;
            FPropertyName.truncate(0);
            break;
        case EWord::wPropertyName:
            FState.Dest = true;
            FState.PropertyName = true;
            FPropertyName.truncate(0);
            break;
        case EWord::wPropertyValue:
            // The text of a WordArt shape is the value of its property gtextUNICODE.
            if (FState.Shape && FPropertyName == u"gtextUNICODE")
                ShapeText();
            else
                FState.Dest = true;
            break;
        case EWord::wHidden:
            FState.Hidden = !AHasParam || AParam != 0;
            break;
        case EWord::wDeleted:
            FState.Deleted = !AHasParam || AParam != 0;
            break;
        case EWord::wUnicode:
            if (AHasParam) {
                const qint64 value = AParam < 0 ? AParam + 65536 : AParam;
                if (Shown() && value >= 0x20 && value <= 0xFFFF)
                    AddChar(char32_t(value));
                FSkip = FState.UC;
            }
            break;
        case EWord::wUnicodeCount:
            if (AHasParam)
                FState.UC = int(qBound(qint64(0), AParam, qint64(16)));
            break;
        case EWord::wFontTable:
            FState.Dest = true;
            FState.FontTable = true;
            break;
        case EWord::wFont:
            if (!AHasParam)
                break;
            if (FState.FontTable)
                FTableFont = param;
            else
                FState.Font = param;
            break;
        case EWord::wFontCharset:
            if (AHasParam && FState.FontTable && FTableFont >= 0)
                FFontCharsets[FTableFont] = param;
            break;
        case EWord::wDefaultFont:
            if (AHasParam)
                FDefaultFont = param;
            break;
        case EWord::wPlain:
            FState.Font = -1;
            FState.Hidden = false;
            FState.Deleted = false;
            break;
        case EWord::wAnsiCodePage:
            if (AHasParam)
                SetDocCodePage(qMax(param, 0));
            break;
        case EWord::wAnsi:
            SetDocCodePage(1252);
            break;
        case EWord::wMac:
            SetDocCodePage(10000);
            break;
        case EWord::wPC:
            SetDocCodePage(437);
            break;
        case EWord::wPCA:
            SetDocCodePage(850);
            break;
        case EWord::wChar:
            if (Shown())
                AddChar(AInfo.Char);
            break;
        case EWord::wBinary:
            break;
        }
    }

    const ACh* FSrc;
    const qsizetype FN;
    QString FPlain; // the text of the body line being read
    QString FOut;
    QString FNoteLine; // the text of the footnote line being read
    QString FNotes;    // the footnote paragraphs that follow the body line
    // Automatic note marks: one counter for footnotes, one for endnotes.
    struct TNoteCounter
    {
        ENoteStyle Style = nsFigures;
        int Start = 1;
        int Count = 0;
    };
    TNoteCounter FCounters[2];
    QString FBodyMark;             // the last automatic mark in the body's text
    qsizetype FMarkAt = -1;        // where it stands in FPlain; -1 once its line has ended
    bool FMarkPending = false;     // no note has taken it yet
    QString FNoteMark;             // the mark of the note being read; "" while it has none
    int FNoteKind = 0;             // 0 while that note is a footnote, 1 for an endnote
    bool FNoteOwnsMark = false;    // its mark is the one in the body's text
    bool FBreakBeforeText = false; // a shape's text has started: its first character ends the
                                   // body's line
    QString FPropertyName;         // the name of the shape property being read
    TGroupState FState;
    TGroupState DStack[64];
    int STop = 0;
    int FSkip = 0;
    bool FStarred = false;
    char16_t FHigh = 0;
    int FDocCodePage = 1252;
    int FDefaultFont = 0;
    int FTableFont = -1;
    std::map<int, int> FFontCharsets;
    std::map<int, std::unique_ptr<TCodePage>> FPages;
    TCodePage* FPage = nullptr;
    int FPageCodePage = -1;
};

} // namespace

namespace importer {

QString ConvertRTF(const QByteArray& ARaw)
{
    const auto* b = reinterpret_cast<const unsigned char*>(ARaw.constData());
    const qsizetype n = ARaw.size();
    const bool bom = (n >= 3 && b[0] == 0xEF && b[1] == 0xBB && b[2] == 0xBF) ||
                     (n >= 2 && ((b[0] == 0xFF && b[1] == 0xFE) || (b[0] == 0xFE && b[1] == 0xFF)));
    if (bom) {
        const QString text = DecodeText(ARaw);
        return TRTFReader<char16_t>(reinterpret_cast<const char16_t*>(text.constData()),
                                    text.size())
            .Run();
    }
    return TRTFReader<unsigned char>(b, n).Run();
}

bool IsRTFHeader(const QByteArray& ABytes)
{
    return DecodeBytes(ABytes.left(16)).startsWith(u"{\\rtf");
}

} // namespace importer

QString ImportRTF(const QString& APath, QString& ATitle)
{
    ATitle = FileTitle(APath);
    // Another kind of file named .rtf (an archive, an image, a program) is not read as text.
    const QByteArray bytes = ReadFileBytes(APath);
    return IsRTFHeader(bytes) ? ConvertRTF(bytes) : QString();
}
