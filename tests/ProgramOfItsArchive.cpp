// A test program is the archive of its code, linked whole; this file only gives the
// program a source of its own.
