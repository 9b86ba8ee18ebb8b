// Compiled by the layer tests with one layer's include root and one header.
#include PROBE_HEADER
