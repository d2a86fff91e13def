"""GDI object counts of Wine processes, from Wine's own trace.

GetGuiResources answers 0 under Wine, but with WINEDEBUG=+pid,+gdi Wine
prints a line for every GDI object it makes or frees, with the number the
process then holds:

  0060:0064:trace:gdi:alloc_gdi_handle allocated NTGDI_OBJ_PEN 0x... 12/65536
  0060:0064:trace:gdi:free_gdi_handle freed NTGDI_OBJ_PEN 0x... 12/65536

(a "freed" line gives the number before the free). A frame holds a pen or
a brush only around one drawing call, so the lowest count a process reaches
in a stretch of time is what it keeps; that must not grow.
"""
import re
import threading
import time

WINEDEBUG = "-all,+pid,+gdi"
COUNT = re.compile(rb"^([0-9a-f]+):[0-9a-f]+:trace:gdi:(alloc|free)_gdi_handle \S+ \S+ \S+ (\d+)/")


class GdiCounts:
    """Reads a trace stream in the background; keeps, for every process, the
    lowest count seen in each stretch of STRETCH_S seconds."""

    def __init__(self, stream, stretch_s):
        self.stretch_s = stretch_s
        self.started = time.monotonic()
        self.lowest = {}   # process -> {stretch: lowest count}
        self.changes = {}  # process -> objects made and freed
        self.lock = threading.Lock()
        self.reader = threading.Thread(target=self._read, args=(stream,), daemon=True)
        self.reader.start()

    def _read(self, stream):
        for line in stream:
            if b"_gdi_handle" not in line:
                continue
            found = COUNT.match(line)
            if not found:
                continue
            process, kind, number = found.group(1), found.group(2), int(found.group(3))
            held = number if kind == b"alloc" else number - 1
            stretch = int((time.monotonic() - self.started) // self.stretch_s)
            with self.lock:
                stretches = self.lowest.setdefault(process, {})
                stretches[stretch] = min(held, stretches.get(stretch, held))
                self.changes[process] = self.changes.get(process, 0) + 1

    def busiest(self):
        """The lowest counts, stretch by stretch, of the process that made and
        freed the most objects (the saver drawing its frames)."""
        with self.lock:
            if not self.changes:
                return None, {}
            process = max(self.changes, key=self.changes.get)
            return process.decode(), dict(self.lowest[process])
