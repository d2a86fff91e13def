// The portable build's surface: rows of 32-bit pixels, and what it
// remembers so that a frame costs what it draws.
//
// Rows are shared until written. A surface filled with one colour is one
// row shared by every row; a whole copy shares the source's rows; the
// first write to a shared row gives the writer a copy of its own. So the
// backdrops, copies of a one-colour window with a logo stamped on, cost a
// few rows of memory, and restoring from them reads rows that stay cached.
//
// A frame starts as a whole copy of its backdrop and is then drawn on. When
// a surface was last filled whole from a source that has not changed since,
// the next whole copy from it restores only the runs of pixels drawn in
// between. Presenting the frame to the window's pixels again then sends
// only those runs and the new ones.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/surface.h"

// Pixels [x0, x1] of row y, on the surface.
struct Span {
    int y, x0, x1;
};

// The runs written on a surface since some moment, or `whole` when that is
// not known (too many of them, or a write of every pixel).
struct SpanLog {
    std::vector<Span> spans;
    bool whole = false;
};

// One state of one surface: which surface (0: none), after how many writes.
struct Version {
    std::uint64_t surface = 0;
    std::uint64_t writes = 0;
    bool operator==(const Version&) const = default;
};

struct Surface {
    int width;
    int height;
    std::vector<std::shared_ptr<Colour[]>> rows; // top to bottom, `width` pixels each
    std::vector<std::uint8_t> ownsRow;           // 1: no other row or surface shares it
    Version version;                             // counts every write
    // When set: this surface equals the source in that version, but for the
    // runs in `sinceFill`.
    Version filledFrom;
    SpanLog sinceFill;
    // When set: this surface differs from that version of itself (just
    // before the last restore) only in `restored` and `sinceFill`. Never
    // set without `filledFrom`.
    Version restoredAt;
    std::vector<Span> restored;
};

inline const Colour* RowOf(const Surface* s, int y)
{
    return s->rows[static_cast<std::size_t>(y)].get();
}

// Row y, made the surface's own; for WritableRow.
Colour* OwnRow(Surface* s, int y);

// Row y to write on: first made the surface's own if it is shared. The
// writer notes the write (NoteWrite, NoteSpan).
inline Colour* WritableRow(Surface* s, int y)
{
    const std::size_t k = static_cast<std::size_t>(y);
    return s->ownsRow[k] ? s->rows[k].get() : OwnRow(s, y);
}

// What of the window's pixels has changed since they were last sent to the
// display. Sending a rectangle costs the display server a fixed amount and
// then some per row and per pixel, and the pixels it reads have mostly left
// the cache since the last frame: so the few thousand runs of a frame are
// gathered into cells, a band of rows by a column of pixels, each keeping
// the bounds of what changed in it, and neighbouring cells of a band that
// lie close together are sent as one rectangle.
struct DamageCell {
    int x0, x1, y0, y1; // inclusive bounds; x0 > x1 when nothing changed
};

struct Damage {
    int columns = 0, bands = 0;
    std::vector<DamageCell> cells;      // band by band
    std::vector<std::uint32_t> touched; // cells changed since the last clear
    bool whole = false;                 // every pixel, cells or not
};

// Chosen by measuring the X server's time per frame (README, "Putting a
// frame on the window").
inline constexpr int DAMAGE_CELL_WIDTH = 32;
inline constexpr int DAMAGE_BAND_HEIGHT = 32;
inline constexpr int DAMAGE_JOIN_GAP = 16; // pixels between two cells' changes

struct PixelRect {
    int x, y, width, height;
};

// Nothing changed, on pixels of width x height.
void ClearDamage(Damage& damage, int width, int height);
void DamageSpan(Damage& damage, const Span& span);
void DamageWhole(Damage& damage);
inline bool Damaged(const Damage& damage)
{
    return damage.whole || !damage.touched.empty();
}
// Rectangles, within width x height, that together cover every changed
// pixel.
std::vector<PixelRect> DamageRects(const Damage& damage, int width, int height);

// The window's own pixels, which the system shows: they need not be laid
// out as a Colour, and only `convert` writes them.
struct WindowPixels {
    std::uint8_t* pixels;
    int pitch; // bytes from one row to the next
    int width;
    int height;
    int bytesPerPixel;
    // Writes `count` Colours as that many of the window's pixels; true if
    // any of them changed (or it cannot tell).
    bool (*convert)(const Colour* from, std::uint8_t* to, int count);
    // The surface last presented here, in that version; none for pixels
    // that hold no frame yet.
    Version holds;
    // What presenting has written here since the display was last sent
    // these pixels; whoever sends them clears it.
    Damage changed;
};

// Brings `window` up to `frame`: nothing if `frame` has not changed since
// it was presented there, only the runs restored and drawn since if that
// was just before its last restore, and otherwise everything. Notes what
// it wrote in `window.changed`.
void PresentPixels(WindowPixels& window, Surface* frame);

// A Colour (0x00BBGGRR) as X11's 0x00RRGGBB, and as itself.
bool ConvertToXrgb(const Colour* from, std::uint8_t* to, int count);
bool ConvertToXbgr(const Colour* from, std::uint8_t* to, int count);

// Bookkeeping of every write, for surface.cpp: a name for a new surface, a
// write, and a write to every pixel.
std::uint64_t NewSurfaceId();
inline void NoteWrite(Surface* s)
{
    ++s->version.writes;
}
void NoteWholeWrite(Surface* s);

// A frame of the saver writes some six to ten thousand runs; past this many
// a whole copy is cheaper than the bookkeeping.
inline constexpr std::size_t SPAN_LOG_LIMIT = 1 << 15;

// Runs that continue or overlap the last one in its row join it: an
// ellipse's row is one run, though pen and brush paint it in three.
inline void NoteSpan(Surface* s, const Span& span)
{
    SpanLog& log = s->sinceFill;
    if (s->filledFrom.surface == 0 || log.whole)
        return;
    if (!log.spans.empty()) {
        Span& last = log.spans.back();
        if (last.y == span.y && span.x0 >= last.x0 && span.x0 <= last.x1 + 1) {
            last.x1 = span.x1 > last.x1 ? span.x1 : last.x1;
            return;
        }
    }
    if (log.spans.size() < SPAN_LOG_LIMIT) {
        log.spans.push_back(span);
        return;
    }
    log.whole = true;
    log.spans.clear();
}

// Every row of `target` becomes `source`'s, which is the same size: a
// whole copy without copying a pixel.
void ShareRows(Surface* target, Surface* source);

// The whole-surface copy from `source`, same size, which keeps `target`'s
// log: only the runs written on `target` since it was last filled from an
// unchanged `source` are copied again.
void FillWhole(Surface* target, Surface* source);
