// Markdown (and plain-text) import: the text is read as CommonMark with the table extension and
// footnotes, by the CommonMark reference library, one stretch of the file at a time.
//
// A stretch ends where nothing before it can reach into what follows: after a blank line, before
// a line at the left margin that is not a list item, outside a fenced code block or an HTML block
// that runs across blank lines (the library's result for the stretch is checked for that). What
// does reach across stretches is handled here: link reference definitions and footnotes are
// collected from every stretch (each stretch is asked which of the labels it seems to define it
// really defines) and handed to the others, and a stretch that uses a label not yet defined is
// read again at the end, once every definition is known. Footnotes are numbered over the whole
// text and their notes written at its end. A paragraph that runs on past 128 KiB is read in
// pieces that are joined again into one paragraph; a table that runs on past 256 KiB is read in
// pieces whose rows are joined into one table, and a list or quote that runs on that far without
// a blank line is ended before one of its lines all the same.
//
// Beyond CommonMark: raw HTML is shown as text (HTML comments are dropped), a link or image whose
// address would run script keeps only its text, a leading YAML front matter block is shown as
// preformatted text, and the first level-1 heading gives the title (its Markdown text as written).
#include "importer.h"
#include "importer_p.h"

#include <cmark-gfm-core-extensions.h>
#include <cmark-gfm.h>

#include <QHash>
#include <QSet>
#include <QStringDecoder>
#include <QStringEncoder>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <utility>
#include <vector>

using namespace importer;

namespace {

// A stretch is read once it holds this many bytes (UTF-8) and a place to end it comes: small
// stretches are read faster (what the library makes of them stays in the processor's caches).
constexpr qsizetype SegmentsPerPiece = 32;
constexpr qsizetype DefaultSegmentBytes = PieceBytes / SegmentsPerPiece;
// A paragraph is cut into pieces once the stretch holding it is this many times as large, and
// at least 128 KiB (far more than any paragraph written by hand): where inline markup would
// reach across a cut is only guessed.
constexpr qsizetype ParagraphSplitFactor = 4;
constexpr qsizetype MinParagraphSplitBytes = 128 * 1024;
// A table, list or quote that runs on past this many bytes without a blank line before a line
// of its own is ended before one of its rows, items or quoted lines all the same, so that what
// the library makes of it stays bounded: a table's rows are joined again into one table; the
// rest of a list or quote is a list or quote of its own (a numbered list goes on with its
// numbers).
constexpr qsizetype ForcedCutBytes = 256 * 1024;
// A long line is handed on in slices of about this many characters.
constexpr qsizetype SliceChars = 64 * 1024;
// Front matter is looked for in at most this many lines and characters.
constexpr int FrontMatterMaxLines = 1000;
constexpr qsizetype FrontMatterMaxChars = 64 * 1024;
// Of a paragraph read in pieces, this much of its text is kept for a title it may give.
constexpr qsizetype MaxOpenRawChars = 64 * 1024;
// Labels longer than this are no labels (CommonMark's limit).
constexpr qsizetype MaxLabelBytes = 999;

struct TParserFree
{
    void operator()(cmark_parser* AParser) const { cmark_parser_free(AParser); }
};
struct TNodeFree
{
    void operator()(cmark_node* ANode) const { cmark_node_free(ANode); }
};
struct TCharFree
{
    void operator()(char* AText) const { cmark_get_default_mem_allocator()->free(AText); }
};
using TParser = std::unique_ptr<cmark_parser, TParserFree>;
using TNode = std::unique_ptr<cmark_node, TNodeFree>;
using THtml = std::unique_ptr<char, TCharFree>;

// Memory for what the library makes of one stretch, handed out from large blocks and taken
// back all at once when the stretch is done (the blocks are kept for the next one): the library
// makes a node for every piece of markup, and allocating and freeing them one by one costs more
// than reading them. Large pieces (the text of a long code block) are allocated on their own.
class TArena
{
public:
    TArena() = default;
    TArena(const TArena&) = delete;
    TArena& operator=(const TArena&) = delete;
    ~TArena()
    {
        Reset();
        for (const TBlock& b : FBlocks)
            std::free(b.Data);
    }

    void* Alloc(size_t ASize)
    {
        if (ASize >= LargeBytes) {
            auto* h = static_cast<THeader*>(std::malloc(sizeof(THeader) + ASize));
            if (!h)
                OutOfMemory();
            h->Size = ASize;
            h->Large = 1;
            FLarge.insert(h);
            return h + 1;
        }
        const size_t size = (ASize + 15) & ~size_t(15);
        const size_t need = sizeof(THeader) + size;
        while (FCurrent < FBlocks.size() && BlockBytes - FBlocks[FCurrent].Used < need)
            ++FCurrent;
        if (FCurrent == FBlocks.size()) {
            char* data = static_cast<char*>(std::malloc(BlockBytes));
            if (!data)
                OutOfMemory();
            FBlocks.push_back({data, 0});
        }
        TBlock& b = FBlocks[FCurrent];
        auto* h = reinterpret_cast<THeader*>(b.Data + b.Used);
        b.Used += need;
        h->Size = size;
        h->Large = 0;
        FLast = h;
        return h + 1;
    }

    void* Realloc(void* APtr, size_t ASize)
    {
        if (!APtr) {
            // Cleared: the library reads a buffer it made but never wrote to (an empty
            // heading's text) as a string.
            void* p = Alloc(ASize);
            std::memset(p, 0, ASize);
            return p;
        }
        THeader* h = static_cast<THeader*>(APtr) - 1;
        if (h->Large) {
            FLarge.remove(h);
            auto* g = static_cast<THeader*>(std::realloc(h, sizeof(THeader) + ASize));
            if (!g)
                OutOfMemory();
            g->Size = ASize;
            FLarge.insert(g);
            return g + 1;
        }
        if (ASize <= h->Size)
            return APtr;
        const size_t size = (ASize + 15) & ~size_t(15);
        if (h == FLast && ASize < LargeBytes) {
            // The last piece handed out grows where it is, if its block has room.
            TBlock& b = FBlocks[FCurrent];
            if (BlockBytes - b.Used >= size - h->Size) {
                b.Used += size - h->Size;
                h->Size = size;
                return APtr;
            }
        }
        void* moved = Alloc(ASize);
        std::memcpy(moved, APtr, h->Size);
        return moved;
    }

    void Free(void* APtr)
    {
        if (!APtr)
            return;
        THeader* h = static_cast<THeader*>(APtr) - 1;
        if (h->Large) {
            FLarge.remove(h);
            std::free(h);
        }
    }

    void Reset()
    {
        for (THeader* h : std::as_const(FLarge))
            std::free(h);
        FLarge.clear();
        // A stretch that needed many blocks leaves a few of them for the next.
        while (FBlocks.size() > KeptBlocks) {
            std::free(FBlocks.back().Data);
            FBlocks.pop_back();
        }
        for (TBlock& b : FBlocks)
            b.Used = 0;
        FCurrent = 0;
        FLast = nullptr;
    }

private:
    // As the library's own allocator does: no exception may pass through its frames.
    [[noreturn]] static void OutOfMemory()
    {
        std::fputs("out of memory reading Markdown\n", stderr);
        std::abort();
    }

    struct alignas(16) THeader
    {
        size_t Size;
        size_t Large;
    };
    struct TBlock
    {
        char* Data;
        size_t Used;
    };
    static constexpr size_t BlockBytes = 1 << 20;
    static constexpr size_t LargeBytes = 256 << 10;
    static constexpr size_t KeptBlocks = 16;
    std::vector<TBlock> FBlocks;
    size_t FCurrent = 0;
    THeader* FLast = nullptr;
    QSet<THeader*> FLarge;
};

// The arena the library's allocations go to while a stretch is read and written (the library's
// allocator has no place for one of its own); null outside.
thread_local TArena* tArena = nullptr;

void* ArenaCalloc(size_t ACount, size_t ASize)
{
    if (ASize != 0 && ACount > SIZE_MAX / ASize)
        std::abort();
    void* p = tArena->Alloc(ACount * ASize);
    std::memset(p, 0, ACount * ASize);
    return p;
}
void* ArenaRealloc(void* APtr, size_t ASize)
{
    return tArena->Realloc(APtr, ASize);
}
void ArenaFree(void* APtr)
{
    tArena->Free(APtr);
}
cmark_mem ArenaMem = {ArenaCalloc, ArenaRealloc, ArenaFree};

cmark_mem* CurrentMem()
{
    return tArena ? &ArenaMem : cmark_get_default_mem_allocator();
}

// Makes AArena the current one while it lives, and takes all back from it at its end.
class TArenaScope
{
public:
    explicit TArenaScope(TArena& AArena) : FArena(AArena), FPrevious(tArena) { tArena = &AArena; }
    TArenaScope(const TArenaScope&) = delete;
    TArenaScope& operator=(const TArenaScope&) = delete;
    ~TArenaScope()
    {
        tArena = FPrevious;
        FArena.Reset();
    }

private:
    TArena& FArena;
    TArena* FPrevious;
};

cmark_node* NewNode(cmark_node_type AType)
{
    return cmark_node_new_with_mem(AType, CurrentMem());
}

cmark_syntax_extension* TableExtension()
{
    static std::once_flag once;
    std::call_once(once, [] { cmark_gfm_core_extensions_ensure_registered(); });
    static cmark_syntax_extension* table = cmark_find_syntax_extension("table");
    return table;
}

// A parser; footnotes are looked for only when AFootnotes (they cost the library two more
// passes over what it read).
TParser NewParser(bool AFootnotes)
{
    TParser parser(cmark_parser_new_with_mem(
        CMARK_OPT_SOURCEPOS | (AFootnotes ? CMARK_OPT_FOOTNOTES : 0), CurrentMem()));
    if (cmark_syntax_extension* table = TableExtension())
        cmark_parser_attach_syntax_extension(parser.get(), table);
    return parser;
}

THtml Render(cmark_node* ANode, cmark_parser* AParser)
{
    return THtml(cmark_render_html_with_mem(ANode, CMARK_OPT_DEFAULT,
                                            cmark_parser_get_syntax_extensions(AParser),
                                            cmark_get_default_mem_allocator()));
}

bool IsSpaceOrTab(char16_t c)
{
    return c == u' ' || c == u'\t';
}

bool IsBlankLine(QStringView L)
{
    for (const QChar c : L) {
        if (!IsSpaceOrTab(c.unicode()))
            return false;
    }
    return true;
}

bool IsAsciiDigit(char16_t c)
{
    return c >= u'0' && c <= u'9';
}

// Whether L starts a list item at the left margin (a bullet, or up to nine digits and "." or ")",
// followed by a blank or the end of the line).
bool StartsListItem(QStringView L)
{
    qsizetype k = 0;
    if (L.startsWith(u'-') || L.startsWith(u'+') || L.startsWith(u'*')) {
        k = 1;
    } else {
        while (k < L.size() && k < 9 && IsAsciiDigit(L[k].unicode()))
            ++k;
        if (k == 0 || k >= L.size() || (L[k] != u'.' && L[k] != u')'))
            return false;
        ++k;
    }
    return k == L.size() || IsSpaceOrTab(L[k].unicode());
}

// Whether L looks like the delimiter row under a table's header: cells of "-" (with ":" at either
// end) between "|".
bool IsDelimiterRow(QStringView L)
{
    bool pipe = false, dash = false;
    for (const QChar ch : L) {
        const char16_t c = ch.unicode();
        if (c == u'|')
            pipe = true;
        else if (c == u'-')
            dash = true;
        else if (c != u':' && !IsSpaceOrTab(c))
            return false;
    }
    return pipe && dash;
}

// The key under which CommonMark matches a label: case folded, inner white space made one blank.
QString LabelKey(QByteArrayView ARaw)
{
    return QString::fromUtf8(ARaw).toCaseFolded().simplified();
}

// Whether a label's key names a footnote: "^" and at least one more character, none of them
// white space (otherwise it is a link's label, "^" and all).
bool IsNoteKey(const QString& AKey)
{
    return AKey.size() > 1 && AKey.startsWith(u'^') && !AKey.contains(u' ');
}

// ARaw with a backslash before every ASCII punctuation character, so that it reads back as
// itself in a link destination or title.
QByteArray EscapePunctuation(QByteArrayView ARaw)
{
    QByteArray out;
    out.reserve(ARaw.size() + ARaw.size() / 4 + 2);
    for (const char c : ARaw) {
        if ((c >= '!' && c <= '/') || (c >= ':' && c <= '@') || (c >= '[' && c <= '`') ||
            (c >= '{' && c <= '~'))
            out += '\\';
        out += c;
    }
    return out;
}

// Calls AFound(AContent) for the text between every "[" and the next "]" that holds no other
// bracket, outside backslash escapes, in AText.
template <typename AFunc> void ForEachBracketed(QByteArrayView AText, AFunc AFound)
{
    qsizetype open = -1;
    for (qsizetype i = 0; i < AText.size(); ++i) {
        const char c = AText[i];
        if (c == '\\') {
            ++i;
        } else if (c == '[') {
            open = i;
        } else if (c == ']') {
            if (open >= 0 && i - open - 1 <= MaxLabelBytes)
                AFound(AText.sliced(open + 1, i - open - 1));
            open = -1;
        }
    }
}

bool HasNonBlank(QByteArrayView AText)
{
    for (const char c : AText) {
        if (c != ' ' && c != '\t' && c != '\n' && c != '\r')
            return true;
    }
    return false;
}

// The labels that lines of AText seem to define: a "[" that only blanks, ">" and list markers
// come before on its line, and its "]" followed by ":" (footnote labels keep their "^").
std::vector<QByteArray> DefinitionCandidates(QByteArrayView AText)
{
    std::vector<QByteArray> found;
    qsizetype at = 0;
    while (at < AText.size()) {
        qsizetype end = AText.indexOf('\n', at);
        if (end < 0)
            end = AText.size();
        const QByteArrayView line = AText.sliced(at, end - at);
        at = end + 1;
        const qsizetype close = line.indexOf("]:");
        if (close < 0)
            continue;
        qsizetype k = 0;
        while (k < line.size() && line[k] != '\0' && std::strchr(" \t>-+*0123456789.)", line[k]))
            ++k;
        if (k >= close || line[k] != '[')
            continue;
        const QByteArrayView label = line.sliced(k + 1, close - k - 1);
        bool plain = label.size() <= MaxLabelBytes && HasNonBlank(label);
        for (qsizetype j = 0; plain && j < label.size(); ++j) {
            if (label[j] == '\\')
                ++j;
            else if (label[j] == '[' || label[j] == ']')
                plain = false;
        }
        if (plain)
            found.emplace_back(label.toByteArray());
    }
    return found;
}

// Tracks, line by line, whether a fenced code block or an HTML block that only an end marker
// closes (script, pre, style, textarea, a comment, a processing instruction, a declaration,
// CDATA) seems to be open, so that no stretch is ended inside one. The library's result for the
// stretch has the last word; this only spares it most of the checks that would fail.
class TBlockTracker
{
public:
    bool Open() const { return FFence != 0 || FHtml != 0; }

    void Line(QStringView L)
    {
        qsizetype k = 0;
        int column = 0;
        while (k < L.size() && IsSpaceOrTab(L[k].unicode())) {
            column = L[k] == u'\t' ? (column / 4 + 1) * 4 : column + 1;
            ++k;
        }
        const QStringView rest = L.mid(k);
        if (FFence != 0) {
            qsizetype n = 0;
            while (n < rest.size() && rest[n] == FFence)
                ++n;
            if (column < 4 && n >= FFenceLength && IsBlankLine(rest.mid(n)))
                FFence = 0;
            return;
        }
        if (FHtml != 0) {
            if (HtmlEnds(rest, FHtml))
                FHtml = 0;
            return;
        }
        if (column >= 4 || rest.isEmpty())
            return;
        const char16_t c = rest[0].unicode();
        if (c == u'`' || c == u'~') {
            qsizetype n = 0;
            while (n < rest.size() && rest[n] == c)
                ++n;
            if (n >= 3 && (c == u'~' || !rest.mid(n).contains(u'`'))) {
                FFence = c;
                FFenceLength = n;
            }
            return;
        }
        if (c == u'<') {
            const int type = HtmlStart(rest);
            if (type != 0 && !HtmlEnds(rest.mid(1), type))
                FHtml = type;
        }
    }

private:
    static int HtmlStart(QStringView ARest)
    {
        for (const char16_t* name : {u"script", u"pre", u"style", u"textarea"}) {
            const QStringView n(name);
            if (StartsWithCI(ARest, 1, n)) {
                const qsizetype after = 1 + n.size();
                if (after == ARest.size() || ARest[after] == u'>' ||
                    IsSpaceOrTab(ARest[after].unicode()))
                    return 1;
            }
        }
        if (ARest.startsWith(u"<!--"))
            return 2;
        if (ARest.startsWith(u"<?"))
            return 3;
        if (ARest.startsWith(u"<![CDATA["))
            return 5;
        if (ARest.size() > 2 && ARest[1] == u'!' && ARest[2].isLetter() && ARest[2].unicode() < 128)
            return 4;
        return 0;
    }

    static bool HtmlEnds(QStringView AText, int AType)
    {
        switch (AType) {
        case 1:
            for (const char16_t* end : {u"</script>", u"</pre>", u"</style>", u"</textarea>"}) {
                if (IndexOfCI(AText, QStringView(end), 0) >= 0)
                    return true;
            }
            return false;
        case 2:
            return AText.contains(u"-->");
        case 3:
            return AText.contains(u"?>");
        case 4:
            return AText.contains(u'>');
        default:
            return AText.contains(u"]]>");
        }
    }

    char16_t FFence = 0;
    qsizetype FFenceLength = 0;
    int FHtml = 0;
};

// Counts of what opens or closes inline markup in the lines of a paragraph (runs of "*", "_" and
// "`" each counted once), so that a paragraph is only cut where none seems to be open.
struct TMarkCounts
{
    qsizetype Stars = 0, Underscores = 0, Backticks = 0, Brackets = 0, Parens = 0, Angles = 0;
    char16_t Prev = 0; // the last character added, within its line

    void Add(QStringView AText)
    {
        for (const QChar ch : AText) {
            const char16_t c = ch.unicode();
            if (c != Prev) {
                switch (c) {
                case u'*':
                    ++Stars;
                    break;
                case u'_':
                    ++Underscores;
                    break;
                case u'`':
                    ++Backticks;
                    break;
                default:
                    break;
                }
            }
            switch (c) {
            case u'[':
                ++Brackets;
                break;
            case u']':
                --Brackets;
                break;
            case u'(':
                ++Parens;
                break;
            case u')':
                --Parens;
                break;
            case u'<':
                ++Angles;
                break;
            case u'>':
                --Angles;
                break;
            default:
                break;
            }
            Prev = c;
        }
    }
    bool Balanced() const
    {
        return Stars % 2 == 0 && Underscores % 2 == 0 && Backticks % 2 == 0 && Brackets == 0 &&
               Parens == 0 && Angles <= 0;
    }
};

// A link reference definition as the library read it.
struct TLinkDef
{
    QByteArray Raw; // the label as written
    QByteArray Url, Title;
    qsizetype Owner; // the stretch that holds its first definition
};

// A footnote: its label, the stretch of its definition, and what the text has used of it.
struct TNote
{
    QByteArray Raw;  // the label as written, "^" excluded
    QByteArray Href; // the label as the library writes it in addresses
    qsizetype Owner = -1;
    int Number = 0; // by its first reference; 0 while none was met
    int Refs = 0;
    bool Captured = false;
    bool InParagraph = false; // the back references go inside its last paragraph
    QByteArray Content;       // its blocks' HTML, with "\x01" where a paragraph's backrefs go
};

// How a stretch joins the last one: not at all, going on with the paragraph it ended inside, or
// with the rows of the table it ended inside (its text then starts with the table's header).
enum class ESplice
{
    None,
    Paragraph,
    Table
};

// A stretch kept to be read again at the end.
struct TSegment
{
    QByteArray Text;
    qsizetype Index;
    ESplice Splice;
    QString Sep;
    bool OpenEnd; // ends inside a paragraph that the next stretch goes on with
};

// What a stretch's preamble (the definitions and questions put before its text) holds.
struct TPreamble
{
    QByteArray Text;
    int Lines = 0;
    struct TProbe
    {
        int Line;
        QByteArray Raw; // "^" first for a footnote
    };
    std::vector<TProbe> Probes;
    QHash<int, int> DummyNotes; // line of a footnote stand-in -> note
};

// One stretch read by the library.
struct TParsed
{
    TParser Parser;
    TNode Doc;
    TPreamble Pre;
    int LastLine = 0;
    bool InArena = false; // then nothing is freed: the arena takes all back

    TParsed() = default;
    TParsed(TParsed&&) = default;
    TParsed& operator=(TParsed&&) = delete;
    ~TParsed() { Drop(); }
    void Drop()
    {
        if (InArena) {
            (void)Doc.release();
            (void)Parser.release();
        }
        Doc.reset();
        Parser.reset();
    }
};

// Appends ALine and a line feed, counting the lines (a link title may hold a line break).
void AppendLine(QByteArray& AOut, QByteArrayView ALine, int& ALines)
{
    AOut += ALine;
    AOut += '\n';
    ALines += 1 + int(ALine.count('\n'));
}

bool IsRasterDataImage(QStringView AUrl)
{
    const QString key = TrimCtl(AUrl).toLower();
    for (const char16_t* type :
         {u"data:image/png", u"data:image/gif", u"data:image/jpeg", u"data:image/webp"}) {
        if (key.startsWith(QStringView(type)))
            return true;
    }
    return false;
}

// The node's children moved in front of it, and the node freed; where its parent may not hold
// one of them, the node stays without an address.
void Unwrap(cmark_node* ANode)
{
    while (cmark_node* child = cmark_node_first_child(ANode)) {
        if (!cmark_node_insert_before(ANode, child)) {
            cmark_node_set_url(ANode, "");
            return;
        }
    }
    cmark_node_free(ANode);
}

// The HTML of an HTML block shown as text: its lines (comments removed, and the lines left
// blank by that) escaped and joined by line breaks, as the library writes text; "" when nothing
// is left.
QByteArray HtmlBlockAsText(const char* ALiteral)
{
    QByteArrayView text(ALiteral);
    QByteArray uncommented;
    if (text.contains("<!--")) {
        uncommented = text.toByteArray();
        for (qsizetype start = uncommented.indexOf("<!--"); start >= 0;
             start = uncommented.indexOf("<!--", start)) {
            const qsizetype end = uncommented.indexOf("-->", start + 4);
            uncommented.remove(start, end < 0 ? uncommented.size() - start : end + 3 - start);
        }
        text = uncommented;
    }
    QByteArray out;
    for (qsizetype at = 0; at < text.size();) {
        qsizetype end = text.indexOf('\n', at);
        if (end < 0)
            end = text.size();
        const QByteArrayView line = text.sliced(at, end - at);
        at = end + 1;
        bool blank = true;
        for (const char c : line)
            blank = blank && (c == ' ' || c == '\t');
        if (blank)
            continue;
        if (!out.isEmpty())
            out += "<br />\n";
        qsizetype run = 0;
        for (qsizetype k = 0; k < line.size(); ++k) {
            const char c = line[k];
            const char* entity = c == '&'   ? "&amp;"
                                 : c == '<' ? "&lt;"
                                 : c == '>' ? "&gt;"
                                 : c == '"' ? "&quot;"
                                            : nullptr;
            if (!entity)
                continue;
            out += line.sliced(run, k - run);
            out += entity;
            run = k + 1;
        }
        out += line.sliced(run);
    }
    return out;
}

// A footnote reference, in the order the survey met it.
struct TRef
{
    qsizetype Order;
    cmark_node* Node;
};

// What one pass over a read stretch finds: the nodes this importer changes (raw HTML, links
// and images), the footnote references, and (with ALabels) whether text shown holds a bracketed
// label that AUnknown calls unknown.
struct TSurvey
{
    std::vector<cmark_node*> Unsafe;
    std::vector<TRef> Refs;
    bool UnknownLabel = false;
};

template <typename AUnknownFunc>
TSurvey Survey(cmark_node* ARoot, bool ALabels, AUnknownFunc AUnknown)
{
    TSurvey survey;
    QByteArray flat; // the text shown in the current block, backslashes escaped again
    auto scan = [&] {
        if (!flat.isEmpty() && !survey.UnknownLabel) {
            ForEachBracketed(flat, [&](QByteArrayView AContent) {
                if (!survey.UnknownLabel && HasNonBlank(AContent) && AUnknown(AContent))
                    survey.UnknownLabel = true;
            });
        }
        flat.clear();
    };
    cmark_iter* iter = cmark_iter_new(ARoot);
    cmark_event_type ev;
    while ((ev = cmark_iter_next(iter)) != CMARK_EVENT_DONE) {
        cmark_node* node = cmark_iter_get_node(iter);
        const cmark_node_type type = cmark_node_get_type(node);
        switch (type) {
        case CMARK_NODE_TEXT:
            if (const char* literal = ALabels ? cmark_node_get_literal(node) : nullptr) {
                const size_t length = std::strlen(literal);
                if (!std::memchr(literal, '\\', length)) {
                    flat.append(literal, qsizetype(length));
                } else {
                    for (const char* c = literal; *c; ++c) {
                        if (*c == '\\')
                            flat += '\\';
                        flat += *c;
                    }
                }
            }
            continue;
        case CMARK_NODE_EMPH:
        case CMARK_NODE_STRONG:
            continue;
        case CMARK_NODE_HTML_INLINE:
        case CMARK_NODE_HTML_BLOCK:
        case CMARK_NODE_LINK:
        case CMARK_NODE_IMAGE:
            if (ev == CMARK_EVENT_ENTER)
                survey.Unsafe.push_back(node);
            if (type == CMARK_NODE_LINK || type == CMARK_NODE_IMAGE)
                continue;
            break;
        case CMARK_NODE_FOOTNOTE_REFERENCE:
            survey.Refs.push_back({qsizetype(survey.Refs.size()), node});
            break;
        default:
            break;
        }
        if (!ALabels)
            continue;
        if ((type & CMARK_NODE_TYPE_MASK) == CMARK_NODE_TYPE_INLINE)
            flat += 'x';
        else
            scan();
    }
    cmark_iter_free(iter);
    return survey;
}

// The changes this importer makes to what the library read (the nodes a survey found): raw
// HTML becomes text (comments go), and a link or image whose address would run script keeps
// only its text.
void MakeSafe(const std::vector<cmark_node*>& ANodes)
{
    // Last first, so that an unwrapped link's children are still where they were collected.
    for (auto it = ANodes.rbegin(); it != ANodes.rend(); ++it) {
        cmark_node* node = *it;
        switch (cmark_node_get_type(node)) {
        case CMARK_NODE_HTML_INLINE: {
            const char* literal = cmark_node_get_literal(node);
            if (literal && std::strncmp(literal, "<!--", 4) != 0) {
                cmark_node* text = NewNode(CMARK_NODE_TEXT);
                cmark_node_set_literal(text, literal);
                cmark_node_insert_before(node, text);
            }
            cmark_node_free(node);
            break;
        }
        case CMARK_NODE_HTML_BLOCK: {
            // A paragraph of text (its lines broken as in the file), held as written HTML in one
            // node, however many lines it has.
            const char* literal = cmark_node_get_literal(node);
            const QByteArray html = HtmlBlockAsText(literal ? literal : "");
            if (!html.isEmpty()) {
                cmark_node* para = NewNode(CMARK_NODE_PARAGRAPH);
                cmark_node* text = NewNode(CMARK_NODE_CUSTOM_INLINE);
                cmark_node_set_on_enter(text, html.constData());
                cmark_node_set_on_exit(text, "");
                cmark_node_append_child(para, text);
                cmark_node_insert_before(node, para);
            }
            cmark_node_free(node);
            break;
        }
        case CMARK_NODE_LINK: {
            const char* url = cmark_node_get_url(node);
            if (url && IsScriptAddress(QString::fromUtf8(url), false))
                Unwrap(node);
            break;
        }
        default: { // an image
            const char* url = cmark_node_get_url(node);
            if (url) {
                const QString u = QString::fromUtf8(url);
                if (IsScriptAddress(u, false) && !IsRasterDataImage(u))
                    Unwrap(node);
            }
            break;
        }
        }
    }
}

// A read stretch made ready to be written.
struct TPrepared
{
    std::vector<cmark_node*> Defs; // the footnote definitions at the end of the stretch
    std::vector<int> NoteOfDef;    // the note each stands for (-1: none)
    TSurvey Survey;
};

class TMarkdownConverter
{
public:
    TMarkdownConverter(QString& ATitle, qsizetype ASizeHint, qsizetype ASegmentBytes)
        : FTitle(ATitle), FFileTitle(ATitle), FSegmentBytes(qMax<qsizetype>(ASegmentBytes, 1)),
          FNextCut(FSegmentBytes), FNextSplit(ParagraphSplitBytes())
    {
        FOut.reserve(ASizeHint * 2 + 16);
    }

    void Line(QStringView L)
    {
        if (FFrontState == EFront::Looking) {
            if (FLines == 0 && FFront.isEmpty()) {
                if (TrimCtlView(L) == u"---" && L.startsWith(u"---")) {
                    FFront << L.toString();
                    return;
                }
                FFrontState = EFront::None;
            } else {
                FFront << L.toString();
                FFrontChars += L.size();
                const QStringView t = TrimCtlView(L);
                if ((t == u"---" || t == u"...") &&
                    (L.startsWith(u"---") || L.startsWith(u"..."))) {
                    WriteFrontMatter();
                    return;
                }
                if (FFront.size() <= FrontMatterMaxLines && FFrontChars <= FrontMatterMaxChars)
                    return;
                ReplayFront();
                return;
            }
        }
        TextLine(L);
    }

    QString Finish()
    {
        if (FFrontState == EFront::Looking && !FFront.isEmpty())
            ReplayFront();
        if (!FText.isEmpty() || FLines > 0)
            Segment(ECut::Final, FText.size(), false);
        for (TSegment& s : FDeferred) {
            const TArenaScope arena(FArena);
            TParsed p = Parse(s.Text, s.Index, false);
            TPrepared prep = Prepare(p, s.Index, false);
            Write(p, prep, s.Index, s.Splice, s.Sep, s.OpenEnd);
            s.Text = QByteArray();
        }
        FDeferred.clear();
        WriteNotes();
        FOut.squeeze();
        return std::move(FOut);
    }

private:
    enum class EFront
    {
        Looking,
        None,
        Done
    };
    enum class ECut
    {
        Blank,     // after a blank line, before a line that starts a block of its own
        Paragraph, // inside a paragraph that runs on
        Forced,    // before an item or quoted line of a list or quote that runs on
        Table,     // before a row of a table that runs on
        Final
    };

    // The last line gathered and L, a table's delimiter row under it, kept as the header a long
    // table's later stretches start with.
    void NoteTableHead(QStringView L)
    {
        if (!FText.endsWith('\n'))
            return;
        const qsizetype start = FText.lastIndexOf('\n', FText.size() - 2) + 1;
        FTableHead = FText.sliced(start);
        FTableHead += L.toUtf8();
        FTableHead += '\n';
    }

    qsizetype ParagraphSplitBytes() const
    {
        return qMax(FSegmentBytes * ParagraphSplitFactor, MinParagraphSplitBytes);
    }

    // A line after the front matter (if any).
    void TextLine(QStringView L)
    {
        const bool blank = IsBlankLine(L);
        if (!blank && FPrevBlank && !FTracker.Open() && FText.size() >= FNextCut && !L.isEmpty() &&
            !IsSpaceOrTab(L[0].unicode()) && !StartsListItem(L)) {
            if (Segment(ECut::Blank, FText.size(), false))
                FNextCut = FSegmentBytes;
            else
                FNextCut = FText.size() * 2;
        }
        if (!blank && !FPrevBlank && FLines > 0 && FText.size() >= FNextSplit && !L.isEmpty() &&
            FTableHead.isEmpty() && L[0].isLetter() && FRun.Balanced() && !FLastLineEndsOpen) {
            // Before a line that goes on with a paragraph: the pieces are joined by a line break.
            TrySplit(FText.size(), QStringLiteral("\n"), false);
        }
        if (!blank && FText.size() >= FNextForced && !FTracker.Open()) {
            if (!FTableHead.isEmpty()) {
                // Before a row of a long table: the next stretch starts with the table's header
                // again, which goes when the rows are joined.
                if (Segment(ECut::Table, FText.size(), false)) {
                    FNextForced = ForcedCutBytes;
                    FText = FTableHead;
                } else {
                    FNextForced = FText.size() * 2;
                }
            } else if (L.startsWith(u'>') || StartsListItem(L)) {
                if (Segment(ECut::Forced, FText.size(), false))
                    FNextForced = ForcedCutBytes;
                else
                    FNextForced = FText.size() * 2;
            }
        }
        if (blank)
            FTableHead.clear();
        else if (FTableHead.isEmpty() && !FPrevBlank && FLines > 0 && IsDelimiterRow(L))
            NoteTableHead(L);
        FTracker.Line(L);
        if (blank)
            FRun = TMarkCounts();
        FRun.Prev = 0;
        if (L.size() <= SliceChars) {
            FRun.Add(L);
            AppendText(L);
        } else {
            AppendLongLine(L);
        }
        FText += '\n';
        ++FLines;
        FPrevBlank = blank;
        FLastLineEndsOpen = !L.isEmpty() && (IsSpaceOrTab(L.back().unicode()) || L.back() == u'\\');
    }

    // A line longer than a slice: handed on a slice at a time, each ended where the line may be
    // cut (after a single blank before a letter, or between two letters).
    void AppendLongLine(QStringView L)
    {
        qsizetype at = 0;
        while (at < L.size()) {
            qsizetype end = qMin(L.size(), at + SliceChars);
            QString sep;
            bool quiet = false;
            for (; end < L.size(); ++end) {
                const char16_t a = L[end - 1].unicode(), b = L[end].unicode();
                if (!QChar(b).isLetter() || QChar::isSurrogate(b))
                    continue;
                if (a == u' ' && end >= 2 && L[end - 2] != u' ' && L[end - 2] != u'\\') {
                    sep = QStringLiteral(" ");
                    quiet = true;
                    break;
                }
                if (QChar(a).isLetter() && !QChar::isSurrogate(a)) {
                    quiet = true;
                    break;
                }
            }
            const QStringView slice = L.mid(at, end - at);
            FRun.Add(slice);
            AppendText(slice);
            at = end;
            if (quiet && FText.size() >= FNextSplit && FRun.Balanced())
                TrySplit(FText.size(), sep, true);
        }
    }

    void AppendText(QStringView AText)
    {
        const qsizetype old = FText.size();
        const qsizetype needed = old + AText.size() * 3 + 1;
        if (needed > FText.capacity())
            FText.reserve(qMax(needed, FText.capacity() * 2));
        FText.resize(old + AText.size() * 3);
        char* end = FEncoder.appendToBuffer(FText.data() + old, AText);
        FText.truncate(end - FText.constData());
    }

    void TrySplit(qsizetype AEnd, const QString& ASep, bool AMidLine)
    {
        if (Segment(ECut::Paragraph, AEnd, AMidLine, ASep))
            FNextSplit = ParagraphSplitBytes();
        else
            FNextSplit = FText.size() * 2;
    }

    void WriteFrontMatter()
    {
        FFrontState = EFront::Done;
        FOut += u"<pre><code>";
        for (const QString& line : std::as_const(FFront)) {
            AppendEscaped(line, FOut);
            FOut += u"\r\n";
        }
        FOut += u"</code></pre>\r\n";
        FFront.clear();
    }

    // The lines held as possible front matter, read as text after all.
    void ReplayFront()
    {
        FFrontState = EFront::None;
        const QStringList lines = std::move(FFront);
        FFront.clear();
        for (const QString& line : lines)
            TextLine(line);
    }

    // Reads FText[0, AEnd) as a stretch (with a line end added when AMidLine): checks that it
    // may end there, learns its definitions, and writes it or keeps it for the end. Returns
    // false (nothing changed) when the stretch may not end there.
    bool Segment(ECut AKind, qsizetype AEnd, bool AMidLine, const QString& ASep = QString())
    {
        const TArenaScope arena(FArena);
        // The stretch's text: all that is gathered is taken over rather than copied.
        const bool whole = AEnd == FText.size();
        QByteArray text = whole ? std::exchange(FText, QByteArray()) : FText.left(AEnd);
        const bool lineEndAdded = AMidLine || (!text.isEmpty() && !text.endsWith('\n'));
        if (lineEndAdded)
            text += '\n';
        const qsizetype index = FSegments;
        TParsed p = Parse(text, index, true);
        if (AKind != ECut::Final && !MayEnd(p, AKind)) {
            if (whole) {
                if (lineEndAdded)
                    text.chop(1);
                FText = std::move(text);
            }
            return false;
        }
        Harvest(p, index);
        ++FSegments;
        const ESplice splice = FSpliceNext;
        const QString sep = FSpliceSep;
        FSpliceNext = AKind == ECut::Paragraph ? ESplice::Paragraph
                      : AKind == ECut::Table   ? ESplice::Table
                                               : ESplice::None;
        FSpliceSep = ASep;
        const bool deferring = !FDeferred.empty();
        TPrepared prep = Prepare(p, index, !deferring && AKind != ECut::Final);
        if (deferring || prep.Survey.UnknownLabel) {
            prep = TPrepared();
            p.Drop();
            FDeferred.push_back({std::move(text), index, splice, sep, AKind == ECut::Paragraph});
        } else {
            text = QByteArray(); // what the library read holds all it needs
            Write(p, prep, index, splice, sep, AKind == ECut::Paragraph);
        }
        if (!whole)
            FText.remove(0, AEnd);
        if (AKind != ECut::Paragraph)
            FRun = TMarkCounts();
        return true;
    }

    // The preamble of stretch AIndex: the link definitions and footnote stand-ins it needs from
    // other stretches, and a paragraph for every label to be asked about.
    TPreamble Preamble(QByteArrayView AText, qsizetype AIndex, bool AFirstReading)
    {
        TPreamble pre;
        QSet<QString> used;
        if (!FLinks.isEmpty() || !FNotes.empty()) {
            ForEachBracketed(AText, [&](QByteArrayView AContent) {
                if (HasNonBlank(AContent))
                    used.insert(LabelKey(AContent));
            });
        }
        QByteArray defs;
        int defLines = 0;
        for (const QString& key : std::as_const(used)) {
            if (IsNoteKey(key)) {
                const auto n = FNoteKeys.constFind(key.mid(1));
                if (n == FNoteKeys.cend() || FNotes[*n].Owner == AIndex)
                    continue;
                pre.DummyNotes.insert(pre.Lines + 1, *n);
                AppendLine(pre.Text, "[^" + FNotes[*n].Raw + "]: x", pre.Lines);
                AppendLine(pre.Text, "", pre.Lines);
                continue;
            }
            const auto l = FLinks.constFind(key);
            if (l == FLinks.cend() || l->Owner == AIndex)
                continue;
            QByteArray def = "[" + l->Raw + "]: <" + EscapePunctuation(l->Url) + ">";
            if (!l->Title.isEmpty())
                def += " \"" + EscapePunctuation(l->Title) + "\"";
            AppendLine(defs, def, defLines);
            AppendLine(defs, "", defLines);
        }
        pre.Text += defs;
        pre.Lines += defLines;
        auto probe = [&pre](const QByteArray& ARaw) {
            pre.Probes.push_back({pre.Lines + 1, ARaw});
            AppendLine(pre.Text, "[" + ARaw + "]", pre.Lines);
            AppendLine(pre.Text, "", pre.Lines);
        };
        if (AFirstReading) {
            QSet<QString> asked;
            for (const QByteArray& raw : DefinitionCandidates(AText)) {
                const QString key = LabelKey(raw);
                const bool known =
                    IsNoteKey(key) ? FNoteKeys.contains(key.mid(1)) : FLinks.contains(key);
                if (!known && !asked.contains(key)) {
                    asked.insert(key);
                    probe(raw);
                }
            }
        } else {
            for (const TNote& n : FNotes) {
                if (n.Owner == AIndex && !n.Raw.isEmpty())
                    probe("^" + n.Raw);
            }
        }
        if (pre.Lines > 0) {
            // Ends the preamble with a paragraph, so that an indented first line of the text is
            // not taken into a footnote stand-in.
            AppendLine(pre.Text, "p", pre.Lines);
            AppendLine(pre.Text, "", pre.Lines);
        }
        return pre;
    }

    TParsed Parse(const QByteArray& AText, qsizetype AIndex, bool AFirstReading)
    {
        TParsed p;
        p.InArena = tArena != nullptr;
        p.Pre = Preamble(AText, AIndex, AFirstReading);
        p.Parser = NewParser(AText.contains("[^") || p.Pre.Text.contains("[^"));
        cmark_parser_feed(p.Parser.get(), p.Pre.Text.constData(), size_t(p.Pre.Text.size()));
        cmark_parser_feed(p.Parser.get(), AText.constData(), size_t(AText.size()));
        p.Doc.reset(cmark_parser_finish(p.Parser.get()));
        p.LastLine = p.Pre.Lines + int(AText.count('\n'));
        return p;
    }

    // The paragraph that ends the stretch's preamble; null without one. (Blocks are found by
    // their order, as not all of them carry their lines: the table extension makes a new
    // paragraph of the lines before a table.)
    static cmark_node* PreambleEnd(const TParsed& AParsed)
    {
        if (AParsed.Pre.Lines == 0)
            return nullptr;
        for (cmark_node* n = cmark_node_first_child(AParsed.Doc.get()); n; n = cmark_node_next(n)) {
            if (cmark_node_get_type(n) == CMARK_NODE_PARAGRAPH &&
                cmark_node_get_start_line(n) == AParsed.Pre.Lines - 1)
                return n;
        }
        return nullptr;
    }

    // The last block of the stretch's text (footnote definitions, which the library moves to
    // the end, aside).
    static cmark_node* LastBlock(const TParsed& AParsed)
    {
        const cmark_node* end = PreambleEnd(AParsed);
        for (cmark_node* n = cmark_node_last_child(AParsed.Doc.get()); n && n != end;
             n = cmark_node_previous(n)) {
            if (cmark_node_get_type(n) != CMARK_NODE_FOOTNOTE_DEFINITION)
                return n;
        }
        return nullptr;
    }

    // Whether the stretch may end where it does: after a blank line (or, forced, before an item
    // or quoted line), when no fenced code block or HTML block runs on into that line; inside a
    // paragraph, when the stretch's last block is a paragraph at the top level that runs to its
    // last line.
    static bool MayEnd(const TParsed& AParsed, ECut AKind)
    {
        cmark_node* last = LastBlock(AParsed);
        if (AKind == ECut::Paragraph)
            return last && cmark_node_get_type(last) == CMARK_NODE_PARAGRAPH &&
                   cmark_node_get_end_line(last) == AParsed.LastLine;
        if (AKind == ECut::Table)
            return last && std::strcmp(cmark_node_get_type_string(last), "table") == 0 &&
                   cmark_node_get_end_line(last) == AParsed.LastLine;
        if (!last)
            return true;
        const cmark_node_type type = cmark_node_get_type(last);
        int length = 0, offset = 0;
        char fence = 0;
        if (type != CMARK_NODE_HTML_BLOCK &&
            !(type == CMARK_NODE_CODE_BLOCK &&
              cmark_node_get_fenced(last, &length, &offset, &fence)))
            return true;
        return cmark_node_get_end_line(last) < AParsed.LastLine;
    }

    // The footnote definitions the library moved to the end of the stretch, in the order of
    // its own numbers.
    static std::vector<cmark_node*> TrailingNotes(const TParsed& AParsed)
    {
        std::vector<cmark_node*> defs;
        for (cmark_node* n = cmark_node_last_child(AParsed.Doc.get());
             n && cmark_node_get_type(n) == CMARK_NODE_FOOTNOTE_DEFINITION;
             n = cmark_node_previous(n))
            defs.push_back(n);
        std::reverse(defs.begin(), defs.end());
        return defs;
    }

    // The definition a footnote reference of the stretch points to.
    static cmark_node* NoteOf(cmark_node* ARef, const std::vector<cmark_node*>& ADefs)
    {
        const char* number = cmark_node_get_literal(ARef);
        const int k = number ? std::atoi(number) : 0;
        return k >= 1 && k <= int(ADefs.size()) ? ADefs[size_t(k - 1)] : nullptr;
    }

    // The label of a footnote definition as the library writes it in addresses.
    QByteArray HrefOf(cmark_node* ADef, cmark_parser* AParser)
    {
        // Rendered without its content: "<section ...>\n<ol>\n<li id=\"fn-LABEL\">\n...".
        TNode content(NewNode(CMARK_NODE_DOCUMENT));
        while (cmark_node* child = cmark_node_first_child(ADef))
            cmark_node_append_child(content.get(), child);
        const THtml html = Render(ADef, AParser);
        while (cmark_node* child = cmark_node_first_child(content.get()))
            cmark_node_append_child(ADef, child);
        const QByteArrayView h(html.get());
        const qsizetype start = h.indexOf("<li id=\"fn-");
        const qsizetype end = start < 0 ? -1 : h.indexOf('"', start + 11);
        return end < 0 ? QByteArray() : h.sliced(start + 11, end - start - 11).toByteArray();
    }

    // The probe paragraph at ALine, if the library kept it.
    static cmark_node* ProbeAt(const TParsed& AParsed, int ALine)
    {
        for (cmark_node* n = cmark_node_first_child(AParsed.Doc.get());
             n && cmark_node_get_start_line(n) <= ALine; n = cmark_node_next(n)) {
            if (cmark_node_get_start_line(n) == ALine &&
                cmark_node_get_type(n) == CMARK_NODE_PARAGRAPH)
                return n;
        }
        return nullptr;
    }

    // Learns the definitions the stretch's text holds, from the answers to its probes.
    void Harvest(const TParsed& AParsed, qsizetype AIndex)
    {
        std::vector<cmark_node*> defs;
        bool haveDefs = false;
        for (const TPreamble::TProbe& probe : AParsed.Pre.Probes) {
            cmark_node* para = ProbeAt(AParsed, probe.Line);
            cmark_node* answer = para ? cmark_node_first_child(para) : nullptr;
            if (!answer)
                continue;
            const bool note = IsNoteKey(LabelKey(probe.Raw));
            const QString key = LabelKey(note ? probe.Raw.mid(1) : probe.Raw);
            if (note && cmark_node_get_type(answer) == CMARK_NODE_FOOTNOTE_REFERENCE) {
                if (!haveDefs) {
                    defs = TrailingNotes(AParsed);
                    haveDefs = true;
                }
                cmark_node* def = NoteOf(answer, defs);
                if (!def || FNoteKeys.contains(key))
                    continue;
                const QByteArray href = HrefOf(def, AParsed.Parser.get());
                if (FNoteByHref.contains(href)) {
                    FNoteKeys.insert(key, FNoteByHref.value(href));
                    continue;
                }
                TNote n;
                n.Raw = probe.Raw.mid(1);
                n.Href = href;
                n.Owner = AIndex;
                FNotes.push_back(std::move(n));
                FNoteKeys.insert(key, int(FNotes.size() - 1));
                FNoteByHref.insert(href, int(FNotes.size() - 1));
            } else if (!note && cmark_node_get_type(answer) == CMARK_NODE_LINK &&
                       !FLinks.contains(key)) {
                const char* url = cmark_node_get_url(answer);
                const char* title = cmark_node_get_title(answer);
                FLinks.insert(key, {probe.Raw, QByteArray(url ? url : ""),
                                    QByteArray(title ? title : ""), AIndex});
            }
        }
    }

    // Whether AContent, a bracketed label in text shown, is one no definition met so far defines
    // (a later one might).
    bool IsUnknownLabel(QByteArrayView AContent) const
    {
        const QString key = LabelKey(AContent);
        return IsNoteKey(key) ? !FNoteKeys.contains(key.mid(1)) : !FLinks.contains(key);
    }

    // A paragraph's or heading's Markdown text as written.
    static QString RawContent(cmark_node* ANode)
    {
        const char* content = cmark_node_get_string_content(ANode);
        QString raw = QString::fromUtf8(content ? content : "");
        while (raw.endsWith(u'\n'))
            raw.chop(1);
        return raw;
    }

    // A read stretch made ready to be written: which note each footnote definition the library
    // moved to its end stands for, its preamble gone, and its survey (with the labels it uses
    // checked when AWithLabels).
    TPrepared Prepare(TParsed& AParsed, qsizetype AIndex, bool AWithLabels)
    {
        TPrepared prep;
        cmark_node* doc = AParsed.Doc.get();
        const int pre = AParsed.Pre.Lines;
        std::vector<cmark_node*>& defs = prep.Defs;
        defs = TrailingNotes(AParsed);
        std::vector<int>& noteOfDef = prep.NoteOfDef;
        noteOfDef.assign(defs.size(), -1);
        for (size_t k = 0; k < defs.size(); ++k) {
            const int line = cmark_node_get_start_line(defs[k]);
            if (line <= pre) {
                noteOfDef[k] = AParsed.Pre.DummyNotes.value(line, -1);
                continue;
            }
            const QByteArray href = HrefOf(defs[k], AParsed.Parser.get());
            const auto n = FNoteByHref.constFind(href);
            if (n != FNoteByHref.cend()) {
                noteOfDef[k] = *n;
            } else {
                // A definition no probe asked about: known by its address alone.
                TNote note;
                note.Href = href;
                note.Owner = AIndex;
                FNotes.push_back(std::move(note));
                FNoteByHref.insert(href, int(FNotes.size() - 1));
                noteOfDef[k] = int(FNotes.size() - 1);
            }
        }
        // The preamble goes: its blocks up to the paragraph that ends it (the footnote stand-ins
        // are among the definitions at the end).
        if (cmark_node* end = PreambleEnd(AParsed)) {
            while (cmark_node_first_child(doc) != end)
                cmark_node_free(cmark_node_first_child(doc));
            cmark_node_free(end);
        }
        prep.Survey =
            Survey(doc, AWithLabels, [this](QByteArrayView A) { return IsUnknownLabel(A); });
        return prep;
    }

    // Writes a prepared stretch: its title, its footnotes numbered over the whole text, its
    // blocks.
    void Write(TParsed& AParsed, TPrepared& APrep, qsizetype AIndex, ESplice ASplice,
               const QString& ASep, bool AOpenEnd)
    {
        cmark_node* doc = AParsed.Doc.get();
        const std::vector<cmark_node*>& defs = APrep.Defs;
        const std::vector<int>& noteOfDef = APrep.NoteOfDef;
        // A paragraph that goes on from the last stretch starts it; its text so far is kept (the
        // start of it), in case a line of "=" under it makes it the title.
        cmark_node* first = cmark_node_first_child(doc);
        const bool goesOn = ASplice == ESplice::Paragraph && first && !FOpenRaw.isEmpty() &&
                            (cmark_node_get_type(first) == CMARK_NODE_PARAGRAPH ||
                             cmark_node_get_type(first) == CMARK_NODE_HEADING);
        for (cmark_node* n = first; n; n = cmark_node_next(n)) {
            if (cmark_node_get_type(n) == CMARK_NODE_HEADING &&
                cmark_node_get_heading_level(n) == 1 && FTitle == FFileTitle) {
                QString h = RawContent(n);
                if (n == first && goesOn)
                    h = FOpenRaw + ASep + h;
                h.replace(u'\n', u' ');
                h = TrimCtl(h);
                if (!h.isEmpty())
                    FTitle = h;
            }
        }
        if (AOpenEnd) {
            cmark_node* last = LastBlock(AParsed);
            QString raw = last ? RawContent(last) : QString();
            if (last == first && goesOn)
                raw = FOpenRaw + ASep + raw;
            FOpenRaw = raw.left(MaxOpenRawChars);
        } else {
            FOpenRaw.clear();
        }
        MakeSafe(APrep.Survey.Unsafe);
        std::vector<QByteArray> markup = NumberReferences(doc, APrep.Survey.Refs, defs, noteOfDef);
        for (size_t k = 0; k < defs.size(); ++k) {
            const int note = noteOfDef[k];
            if (note >= 0 && FNotes[size_t(note)].Owner == AIndex && !FNotes[size_t(note)].Captured)
                CaptureNote(defs[k], FNotes[size_t(note)], AParsed.Parser.get(), markup);
            cmark_node_free(defs[k]);
        }
        const THtml html = Render(doc, AParsed.Parser.get());
        AParsed.Drop();
        if (markup.empty())
            AppendHTML(QByteArrayView(html.get()), ASplice, ASep);
        else
            AppendHTML(WithReferences(html.get(), markup), ASplice, ASep);
    }

    // AHtml with every stand-in for a footnote reference ("\x02" number "\x03") replaced by its
    // markup.
    static QByteArray WithReferences(QByteArrayView AHtml, const std::vector<QByteArray>& AMarkup)
    {
        QByteArray out;
        out.reserve(AHtml.size() + qsizetype(AMarkup.size()) * 100);
        qsizetype at = 0;
        while (at < AHtml.size()) {
            const qsizetype start = AHtml.indexOf('\x02', at);
            const qsizetype end = start < 0 ? -1 : AHtml.indexOf('\x03', start);
            if (end < 0) {
                out += AHtml.sliced(at);
                break;
            }
            out += AHtml.sliced(at, start - at);
            const qsizetype k = AHtml.sliced(start + 1, end - start - 1).toLongLong();
            if (k >= 0 && k < qsizetype(AMarkup.size()))
                out += AMarkup[size_t(k)];
            at = end + 1;
        }
        return out;
    }

    // Every footnote reference of the stretch, in the order of the text, numbered over the whole
    // text; each is replaced by a stand-in, "\x02" and its index in the markup returned (as the
    // library writes references) and "\x03", since not every block may hold other nodes.
    std::vector<QByteArray> NumberReferences(cmark_node* ADoc, std::vector<TRef> refs,
                                             const std::vector<cmark_node*>& ADefs,
                                             const std::vector<int>& ANoteOfDef)
    {
        // The text's order: the blocks at the top in their order, each footnote definition
        // (moved to the end by the library) back at its line. A block without lines of its
        // own (the paragraph the table extension makes of the lines before a table) stands at
        // the line of the block before it.
        QHash<cmark_node*, int> lineOf;
        int line = 0;
        for (cmark_node* n = cmark_node_first_child(ADoc); n; n = cmark_node_next(n)) {
            const int start = cmark_node_get_start_line(n);
            if (cmark_node_get_type(n) == CMARK_NODE_FOOTNOTE_DEFINITION) {
                lineOf.insert(n, start);
                continue;
            }
            line = qMax(line, start);
            lineOf.insert(n, line);
        }
        auto topLine = [&](cmark_node* ANode) {
            while (cmark_node_parent(ANode) && cmark_node_parent(ANode) != ADoc)
                ANode = cmark_node_parent(ANode);
            return lineOf.value(ANode, 0);
        };
        std::vector<std::pair<int, qsizetype>> keys(refs.size());
        for (const TRef& r : refs)
            keys[size_t(r.Order)] = {topLine(r.Node), r.Order};
        std::stable_sort(refs.begin(), refs.end(), [&keys](const TRef& A, const TRef& B) {
            return keys[size_t(A.Order)] < keys[size_t(B.Order)];
        });
        std::vector<QByteArray> markup;
        for (const TRef& r : refs) {
            cmark_node* def = NoteOf(r.Node, ADefs);
            const auto at = std::find(ADefs.begin(), ADefs.end(), def);
            const int note = at == ADefs.end() ? -1 : ANoteOfDef[size_t(at - ADefs.begin())];
            if (note < 0)
                continue;
            TNote& n = FNotes[size_t(note)];
            if (n.Number == 0)
                n.Number = ++FNoteCount;
            ++n.Refs;
            QByteArray m =
                "<sup class=\"footnote-ref\"><a href=\"#fn-" + n.Href + "\" id=\"fnref-" + n.Href;
            if (n.Refs > 1)
                m += "-" + QByteArray::number(n.Refs);
            m += "\" data-footnote-ref>" + QByteArray::number(n.Number) + "</a></sup>";
            const QByteArray stand = "\x02" + QByteArray::number(qsizetype(markup.size())) + "\x03";
            markup.push_back(std::move(m));
            cmark_node* text = NewNode(CMARK_NODE_TEXT);
            cmark_node_set_literal(text, stand.constData());
            cmark_node_insert_before(r.Node, text);
            cmark_node_free(r.Node);
        }
        return markup;
    }

    // Keeps the blocks of a footnote's definition as HTML, to be written at the end.
    static void CaptureNote(cmark_node* ADef, TNote& ANote, cmark_parser* AParser,
                            const std::vector<QByteArray>& AMarkup)
    {
        TNode content(NewNode(CMARK_NODE_DOCUMENT));
        while (cmark_node* child = cmark_node_first_child(ADef))
            cmark_node_append_child(content.get(), child);
        cmark_node* last = cmark_node_last_child(content.get());
        ANote.InParagraph = last && cmark_node_get_type(last) == CMARK_NODE_PARAGRAPH;
        if (ANote.InParagraph) {
            cmark_node* mark = NewNode(CMARK_NODE_TEXT);
            cmark_node_set_literal(mark, "\x01");
            cmark_node_append_child(last, mark);
        }
        const THtml html = Render(content.get(), AParser);
        ANote.Content = WithReferences(html.get(), AMarkup);
        ANote.Captured = true;
    }

    // The notes of the footnotes the text refers to, as the library writes them at its end.
    void WriteNotes()
    {
        std::vector<const TNote*> notes;
        for (const TNote& n : FNotes) {
            if (n.Number > 0 && n.Captured)
                notes.push_back(&n);
        }
        if (notes.empty())
            return;
        std::sort(notes.begin(), notes.end(),
                  [](const TNote* A, const TNote* B) { return A->Number < B->Number; });
        QByteArray html = "<section class=\"footnotes\" data-footnotes>\n<ol>\n";
        for (const TNote* n : notes) {
            QByteArray backrefs;
            for (int r = 1; r <= n->Refs; ++r) {
                if (r > 1)
                    backrefs += ' ';
                backrefs += "<a href=\"#fnref-" + n->Href;
                if (r > 1)
                    backrefs += "-" + QByteArray::number(r);
                backrefs +=
                    "\" class=\"footnote-backref\" data-footnote-backref aria-label=\"Back to "
                    "content\">\xe2\x86\xa9";
                if (r > 1)
                    backrefs += "<sup class=\"footnote-ref\">" + QByteArray::number(r) + "</sup>";
                backrefs += "</a>";
            }
            html += "<li id=\"fn-" + n->Href + "\">\n";
            QByteArray content = n->Content;
            if (n->InParagraph)
                content.replace('\x01', " " + backrefs);
            else
                content += backrefs + "\n";
            html += content + "</li>\n";
        }
        html += "</ol>\n</section>\n";
        AppendHTML(html, ESplice::None, QString());
    }

    // Appends the library's HTML with every line ended by CR + LF; a stretch that goes on with
    // the paragraph the last one ended in is joined to it.
    void AppendHTML(QByteArrayView AHtml, ESplice ASplice, const QString& ASep)
    {
        static constexpr QStringView tableEnd(u"</tbody>\r\n</table>\r\n");
        if (ASplice == ESplice::Table && FOut.endsWith(tableEnd) && AHtml.startsWith("<table>\n")) {
            // The header the stretch was given again goes, and the rows go on.
            const qsizetype body = AHtml.indexOf("<tbody>\n");
            if (body >= 0) {
                FOut.chop(tableEnd.size());
                AHtml = AHtml.sliced(body + 8);
            }
        }
        if (ASplice == ESplice::Paragraph && FOut.endsWith(u"</p>\r\n")) {
            const QString sep = ASep == u"\n" ? QStringLiteral("\r\n") : ASep;
            if (AHtml.startsWith("<p>")) {
                FOut.chop(6);
                FOut += sep;
                AHtml = AHtml.sliced(3);
            } else if (AHtml.startsWith("<h1>") || AHtml.startsWith("<h2>")) {
                // The underline of a heading made of the whole paragraph (this stretch can only
                // start with one made by a line of "=" or "-": it starts with a letter).
                const qsizetype start = FOut.lastIndexOf(u"<p>");
                if (start >= 0) {
                    FOut.chop(6);
                    FOut.replace(start, 3, QString::fromLatin1(AHtml.first(4)));
                    FOut += sep;
                    AHtml = AHtml.sliced(4);
                }
            }
        }
        const qsizetype breaks = AHtml.count('\n');
        const qsizetype old = FOut.size();
        const qsizetype needed = old + AHtml.size() + breaks;
        if (needed > FOut.capacity())
            FOut.reserve(qMax(needed, FOut.capacity() + FOut.capacity() / 2));
        FOut.resize(needed);
        char16_t* w = reinterpret_cast<char16_t*>(FOut.data()) + old;
        QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        const auto* b = reinterpret_cast<const unsigned char*>(AHtml.data());
        const qsizetype n = AHtml.size();
        for (qsizetype at = 0; at < n;) {
            const unsigned char c = b[at];
            if (c < 0x80) {
                if (c == '\n')
                    *w++ = u'\r';
                *w++ = char16_t(c);
                ++at;
                continue;
            }
            // A run of characters beyond ASCII (their bytes are all 0x80 or more).
            qsizetype end = at + 1;
            while (end < n && b[end] >= 0x80)
                ++end;
            w = reinterpret_cast<char16_t*>(
                decoder.appendToBuffer(reinterpret_cast<QChar*>(w), AHtml.sliced(at, end - at)));
            at = end;
        }
        FOut.truncate(w - reinterpret_cast<const char16_t*>(FOut.constData()));
    }

    TArena FArena;
    QString& FTitle;
    const QString FFileTitle;
    const qsizetype FSegmentBytes;
    QString FOut;

    EFront FFrontState = EFront::Looking;
    QStringList FFront;
    qsizetype FFrontChars = 0;

    QByteArray FText; // the stretch being gathered, UTF-8, each line ended by a line feed
    QStringEncoder FEncoder{QStringEncoder::Utf8, QStringEncoder::Flag::Stateless};
    int FLines = 0; // lines gathered over the whole text
    bool FPrevBlank = true;
    bool FLastLineEndsOpen = false; // the last line ends in a blank or a backslash
    TBlockTracker FTracker;
    TMarkCounts FRun; // over the lines since the last blank one
    qsizetype FNextCut, FNextSplit, FNextForced = ForcedCutBytes;
    qsizetype FSegments = 0;
    ESplice FSpliceNext = ESplice::None;
    QByteArray FTableHead; // the header and delimiter rows of the table being gathered
    QString FSpliceSep;
    std::vector<TSegment> FDeferred;
    QString FOpenRaw; // the Markdown text of the paragraph the last stretch ended inside

    QHash<QString, TLinkDef> FLinks;
    std::vector<TNote> FNotes;
    QHash<QString, int> FNoteKeys;      // label key -> note
    QHash<QByteArray, int> FNoteByHref; // label in addresses -> note
    int FNoteCount = 0;
};

} // namespace

QString MDInline(const QString& S)
{
    // The text as the second line of a paragraph whose first line is known, so that it is read
    // as inline content only; a line that would start a block of its own is read after a
    // backslash (which only escapes punctuation, and punctuation is what starts such a line).
    const QByteArray text = TrimCtl(S).toUtf8();
    for (const bool escaped : {false, true}) {
        QByteArray src = "x\n";
        if (escaped && !text.isEmpty()) {
            qsizetype k = 0;
            while (k < text.size() && text[k] >= '0' && text[k] <= '9')
                ++k;
            src += text.left(k) + '\\' + text.mid(k);
        } else {
            src += text;
        }
        src += '\n';
        TParser parser = NewParser(false);
        cmark_parser_feed(parser.get(), src.constData(), size_t(src.size()));
        TNode doc(cmark_parser_finish(parser.get()));
        cmark_node* para = cmark_node_first_child(doc.get());
        cmark_node* first = para ? cmark_node_first_child(para) : nullptr;
        if (!para || cmark_node_next(para) || cmark_node_get_type(para) != CMARK_NODE_PARAGRAPH ||
            !first || cmark_node_get_type(first) != CMARK_NODE_TEXT ||
            std::strcmp(cmark_node_get_literal(first), "x") != 0 || !cmark_node_next(first) ||
            cmark_node_get_type(cmark_node_next(first)) != CMARK_NODE_SOFTBREAK)
            continue;
        cmark_node_free(cmark_node_next(first));
        cmark_node_free(first);
        MakeSafe(Survey(doc.get(), false, [](QByteArrayView) { return false; }).Unsafe);
        const THtml html = Render(doc.get(), parser.get());
        QByteArrayView h(html.get());
        if (h.startsWith("<p>"))
            h = h.sliced(3);
        if (h.endsWith("</p>\n"))
            h.chop(5);
        return QString::fromUtf8(h);
    }
    return QString();
}

namespace importer {

QString ConvertMarkdown(const QStringList& ALines, QString& ATitle)
{
    qsizetype total = 0;
    for (const QString& l : ALines)
        total += l.size() + 1;
    TMarkdownConverter converter(ATitle, total, DefaultSegmentBytes);
    for (const QString& l : ALines)
        converter.Line(l);
    return converter.Finish();
}

QString ImportMarkdownFile(const QString& APath, QString& ATitle, qsizetype APieceBytes)
{
    ATitle = FileTitle(APath);
    // The file is read and decoded a piece at a time (no line crosses two pieces), so that
    // neither its bytes nor its text are ever held whole beside the result; it is read as
    // Markdown in stretches of a 32nd of a piece.
    TFilePieces pieces(APath, APieceBytes);
    TMarkdownConverter converter(ATitle, qsizetype(pieces.FileSize()),
                                 qMax<qsizetype>(APieceBytes / SegmentsPerPiece, 1));
    QString piece;
    while (pieces.Next(piece)) {
        QStringView line;
        for (qsizetype pos = 0; NextLine(piece, pos, line) >= 0;)
            converter.Line(line);
    }
    return converter.Finish();
}

} // namespace importer

QString ImportMarkdown(const QString& APath, QString& ATitle)
{
    ATitle = FileTitle(APath);
    if (HoldsBinary(ReadFileBytes(APath, BinaryProbeBytes)))
        return QString(); // a binary file named .md or .txt
    return ImportMarkdownFile(APath, ATitle, PieceBytes);
}
