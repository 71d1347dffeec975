// Notices changes that other processes make to a hive file, for the
// process's key watches.
//
// One thread per process sleeps on inotify watches of the folders of the
// hives that have key watches. Every write by any process ends by touching
// the modification time of the hive's write-ahead log, "<hive>-wal", after
// its commit has become visible; that attribute change wakes the thread,
// which asks the hive to look (Hive::Refresh). (The log's own modification
// events are no use: the last write to the log comes just before the commit
// is published in the shared index, which is mapped memory and raises no
// event, so a look at that moment could miss the change for good.) This
// costs nothing while nothing changes and reports a change within a
// scheduling delay. Where inotify cannot be used the thread looks every 100
// milliseconds instead.
#pragma once

namespace kmxwin::registry {

class Hive;

// Starts looking out for other processes' changes of HIVE (once per hive).
// May be called with the hive's lock held: the monitor never holds its own
// lock while it calls into a hive.
void MonitorHive(Hive* hive);

}  // namespace kmxwin::registry
