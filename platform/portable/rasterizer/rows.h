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
// between. Presenting the frame to the window's pixels (window_pixels.h)
// then sends only those runs and the new ones.
//
// The record, its rows and the whole copy are here and in rows.cpp; the
// drawing in surface.cpp writes the rows and notes each write in the log.
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
    // When set: the same for the restore before, whose drawing is
    // `earlier`; a window presented double-buffered holds that frame.
    // Never set without `restoredAt`.
    Version earlierAt;
    std::vector<Span> earlier;
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

// The pixels of a frame's runs have left the cache since the last frame,
// 30 ms ago: their lines are asked for this many runs ahead, so that they
// arrive many at once instead of one after the other.
inline constexpr std::size_t PREFETCH_AHEAD = 16;
