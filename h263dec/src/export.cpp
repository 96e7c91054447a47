// The shared library CAMDEC: the whole core, of which only the entry points of
// camdec.h are visible.
