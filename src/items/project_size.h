// How many bytes the project's file takes and how much room its address
// limit leaves. The file is a C64 program loaded at $0800: after the two
// bytes of the load address come the item count, the location table, the
// item pointer table and the items' data, closed by one terminator, and the
// last byte must lie at or below $7FFF. The writer and the document both
// measure here.
#pragma once

#include <cstddef>
#include <span>
#include <string>

#include "items/project.h"

inline constexpr unsigned kProjectLoadAddress = 0x0800;
// Item data, terminator included, must end below this address: item
// pointers have 15 bits.
inline constexpr unsigned kProjectAddressLimit = 0x8000;
// The most bytes a project file may hold: the load address and everything
// from $0800 to $7FFF.
inline constexpr long kProjectFileLimit = kProjectAddressLimit - kProjectLoadAddress + 2;

// Address of the first item's data when the project has `count` items:
// after the header, the location table, the pointer table and the end
// pointer.
std::size_t project_first_data_address(std::size_t count);
// Bytes of one definition as written (3, and the overrides it keeps on).
std::size_t project_def_size(const PanelDef &def);
// Bytes of a panel's definition list, terminator included.
std::size_t project_def_list_size(std::span<const PanelDef> defs);
// Bytes of an item's data (nothing for an empty item).
std::size_t project_item_size(const ZbxItem &item);
// The address one past the final terminator when the project is written.
std::size_t project_data_end(const ZbxProject &project);

// A file's size against the limit.
struct ProjectSize
{
    long bytes = 0;
    long limit = kProjectFileLimit;

    // Negative when the file is over the limit.
    long free() const { return limit - bytes; }
    bool over() const { return bytes > limit; }
    // Less than 5 % of the limit left (or none at all).
    bool tight() const { return free() * 20 < limit; }
    // Whole percent of the limit used, rounded down.
    int percent() const { return static_cast<int>(bytes * 100 / limit); }
};

// The size of a file whose data ends at `end` (as project_data_end tells).
ProjectSize project_size_at(std::size_t end);
ProjectSize project_size(const ZbxProject &project);

// A count with its thousands grouped: "12,480".
std::string project_format_count(long count);
// What the status bar says: "59 % used, 12,480 bytes free"; below 5 % free
// "Warning: 97 % used, only 812 bytes free"; over the limit "Warning: 102 %
// used, 540 bytes over the limit".
std::string project_size_text(const ProjectSize &size);
