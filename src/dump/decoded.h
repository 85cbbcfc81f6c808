// What the dump reads out of a binary: the file cut into listed items
// (header fields, event streams, sample data, songs, unreferenced bytes)
// that cover every byte once, and the decoded events of every stream.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "format/events.h"

namespace psgc::dump {

struct Event {
  uint32_t offset = 0;
  uint32_t size = 0;
  const format::EventRow* row = nullptr;  // nullptr: raw bytes or a marker
  format::EventOperands operands;
  uint32_t pairs = 0;           // wait steps in its duration
  const char* fault = nullptr;  // raw bytes: why they are no event
  std::string comment;          // a cycle, a note-off point, ...
};

struct Stream {
  const format::EventLanguage* language = nullptr;
  uint32_t start = 0;
  uint32_t end = 0;
  std::vector<Event> events;
};

// One line of header fields: its bytes and what they mean.
struct Field {
  uint32_t offset = 0;
  uint32_t size = 0;
  std::string text;
};

enum class ItemKind { Fields, Events, Samples, Song, Unreferenced };

struct Item {
  ItemKind kind = ItemKind::Fields;
  uint32_t offset = 0;
  uint32_t size = 0;
  std::string heading;  // empty for the file header
  std::vector<Field> fields;
  int index = -1;  // the stream (Events) or song (Song) it lists
};

struct Decoded {
  const char* format = "";
  uint32_t size = 0;
  std::vector<Item> items;  // in file order, covering every byte once
  std::vector<Stream> streams;
  std::vector<Decoded> songs;  // a track pack's MUS songs, own offsets
  uint32_t unreferencedBytes = 0;
  std::vector<bool> noiseInstruments;  // MUS: whose events hold `noise`
};

// Where decoding stopped, and the message that says why.
struct DumpFault {
  uint32_t offset = 0;
  const char* text = nullptr;
};

}  // namespace psgc::dump
