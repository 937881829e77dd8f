// The Zembrix project file as bytes: a C64 program that loads at $0800 and
// holds the item count, the 32 location records, the item pointer table and
// the item data. Parsing and encoding here are plain functions over byte
// buffers; zembrix.h reads and writes the files.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <glib.h>
#include <span>
#include <vector>

#include "items/project.h"
#include "items/project_size.h"

inline constexpr unsigned kZbxLoadAddress = kProjectLoadAddress;
// Item data, terminator included, must end below this address: item
// pointers have 15 bits.
inline constexpr unsigned kZbxAddressLimit = kProjectAddressLimit;
inline constexpr int kZbxLocationRecords = kLocationCount;
// File offset of the location table and of the item pointer table.
inline constexpr std::size_t kZbxLocationTableOffset = 5;
inline constexpr std::size_t kZbxPointerTableOffset = 69;

// How far a phase has come (0 to 1), and the phase about to start.
using ZbxProgressFunc = std::function<void(double fraction)>;
using ZbxActionFunc = std::function<void(const char *text)>;

// The phases of opening a project, in the order they are announced, each
// before its work: the two passes of the reader, then the document taking
// the project over (boxes, previews, lists), then the end.
inline constexpr const char *kZbxActionObjects = "Decoding objects...";
inline constexpr const char *kZbxActionPanels = "Decoding panels and panel definitions...";
inline constexpr const char *kZbxActionBoxes = "Processing sub panels...";
inline constexpr const char *kZbxActionDone = "Done!";

// Checks the load address, the repeated $0800, and that the file can hold
// its header, tables and one byte of data. On success sizes project->items
// to the item count (all empty) and fills the location records. On failure
// sets "File \"<name>\" is too short" or the unsupported-file error 1, 2 or 3
// and leaves project alone.
bool zembrix_parse_header(std::span<const uint8_t> file, const char *name, ZbxProject *project,
                          GError **error);

// The object pass over a file that passed zembrix_parse_header: fills every
// object entry that survives the skip and overlap rules; skips raise no
// error. Reports i / N before item i.
void zembrix_parse_objects(std::span<const uint8_t> file, ZbxProject *project,
                           ZbxProgressFunc progress);

// The panel pass, after the object pass: decodes every panel's definition
// list. A definition is an object placement when its item holds an object.
// Fails with error 4 when a panel's data lies outside the file or runs past
// its end; the panels decoded so far (the failing one with its definitions
// up to the fault) stay in project. Reports i / N before item i.
bool zembrix_parse_panels(std::span<const uint8_t> file, const char *name, ZbxProject *project,
                          ZbxProgressFunc progress, GError **error);

// The three steps above in order, announcing "Decoding objects..." and
// "Decoding panels and panel definitions..." and ending each pass with 1.0.
// Either callback may be null.
bool zembrix_parse(std::span<const uint8_t> file, const char *name, ZbxProject *project,
                   ZbxProgressFunc progress, ZbxActionFunc action, GError **error);

// The position a definition at (x, y) pixels has once written and read
// back: the file holds whole cells from -112 to 392 across and -112 to 136
// down, wrapping around outside them.
void zembrix_stored_position(int x, int y, int *stored_x, int *stored_y);

// Bytes of a panel's definition list, terminator included (as
// project_def_list_size counts them).
std::size_t zembrix_def_list_size(std::span<const PanelDef> defs);
// Appends a definition list and its terminator.
void zembrix_encode_def_list(std::span<const PanelDef> defs, std::vector<uint8_t> *out);

// The address one past the final terminator when the project is written
// (as project_data_end measures it).
std::size_t zembrix_data_end(const ZbxProject &project);

// The whole file. Refuses (out untouched) data whose final terminator would
// lie at $8000 or above, with "Data too large: the file would end at $XXXX,
// above the limit of $7FFF" naming the address one past that terminator.
bool zembrix_encode(const ZbxProject &project, std::vector<uint8_t> *out, GError **error);
