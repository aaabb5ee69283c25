// Finding, in a text bound for the report, the run of bytes that go out as
// they are. Nearly every text (names, paths, rule names, message templates)
// is one such run: the search for its end was the largest single cost of a
// report of 300,000 traps (13% of the run), and looking at 16 bytes at a
// time makes it a small one.
#pragma once

// The first byte of [text, end) that is not written as it is in element
// text and attribute values whatever surrounds it, or end. Such bytes are
// the controls, "&", "<", ">", '"', "]" and 0xEF (which may begin U+FFFE or
// U+FFFF); with ascii_only, also every byte above 0x7F.
const char* plain_run_end(const char* text, const char* end, bool ascii_only);

// The first byte of [text, end) above 0x7F, or end.
const char* ascii_run_end(const char* text, const char* end);
