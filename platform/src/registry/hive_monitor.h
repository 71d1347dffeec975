// Notices changes that other processes make to a hive file, for the
// process's key watches.
//
// One thread per process sleeps on inotify watches of the folders of the
// hives that have key watches. Every commit by any process appends to the
// hive's write-ahead log, "<hive>-wal", which wakes the thread; it then asks
// the hive to look (Hive::Refresh), which costs one look at SQLite's data
// version when nothing has changed. The log is written just before the
// commit is published in SQLite's shared index (mapped memory, which raises
// no event), so the thread looks again a few times over the next quarter
// second, until the commit shows. Writers pay nothing for all this. A look
// once a second covers the rare writer that is held up longer than that
// between the two steps; where inotify cannot be used, the thread looks
// every 100 milliseconds.
#pragma once

namespace kmxwin::registry {

class Hive;

// Starts looking out for other processes' changes of HIVE (once per hive).
// May be called with the hive's lock held: the monitor never holds its own
// lock while it calls into a hive.
void MonitorHive(Hive* hive);

}  // namespace kmxwin::registry
