// File-set lists: a logical name whose value is "LIST:" and a comma-separated
// sequence of member logical names, opened and read as one file.
//
// The list's time axis starts at the earliest member start and steps by the
// members' common time step. Member k covers the list records first..last,
// where first is the record of the member's own start on the list's axis and
// last = first + the member's number of records - 1. A read at a date and time
// looks at the record r of that date and time on the list's axis and takes the
// first member, in list order, whose range holds r; that member's own records
// and time flags then answer the read.
#pragma once

#include <span>
#include <string>
#include <string_view>

#include "gridfile/state3.hpp"

namespace orvex::detail {

// Splits the value of the environment variable `name` (read with ENVSTR into
// 512 characters; a leading "LIST:" in any case is skipped) at its commas into
// at most nmax names, each stored blank-padded at its element's width in
// list[0], list[1], ...; ncnt receives the number of names. Blanks and tabs
// before a name and blanks after it are ignored; a trailing comma ends the
// list. True when at least one name was read, every name was 1 to the width of
// its element long, and no more than nmax names were given.
bool STRLIST(std::string_view name, std::string_view desc, int nmax, int& ncnt, std::span<std::string> list);

// Opens the list whose logical name is in slot fid (reserved by OPEN3): every
// member read-only in a slot of its own, compared with the first, the list's
// slot described as the first member with the earliest start, and the member
// table filled. On failure every member opened so far is closed and its slot
// freed, the list's slot is freed with handle IMISS3, and the result is false.
bool OPNLIST3(int fid, std::string_view pgname);

// The member-table entries of list fid, in list order (empty when fid is not
// a list with members).
std::span<const ListEntry> list_members(int fid);

// The slot of an open list whose members include slot fid, or 0 when no open
// list holds it.
int list_holding(int fid);

// The slot of the member of list fid that holds jdate:jtime, or 0 when the
// date and time are not on the list's time axis or no member's range holds
// them.
int find_list_member(int fid, int jdate, int jtime);

}  // namespace orvex::detail
