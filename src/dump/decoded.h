// What the dump reads out of a binary: the file cut into listed items
// (header fields, event streams, music blocks, sample data, songs,
// unreferenced bytes) that cover every byte once. Streams are kept as
// their bounds only: the listing reads their events as it prints them.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "format/events.h"

namespace psgc::dump {

struct Event {
  uint32_t offset = 0;
  uint32_t size = 0;
  const format::EventRow* row = nullptr;  // nullptr: raw bytes
  format::EventOperands operands;
  uint32_t pairs = 0;           // wait steps in its duration
  const char* fault = nullptr;  // raw bytes: why they are no event
};

struct Stream {
  const format::EventLanguage* language = nullptr;
  uint32_t start = 0;
  uint32_t end = 0;
};

// One line of header fields: its bytes and what they mean.
struct Field {
  uint32_t offset = 0;
  uint32_t size = 0;
  std::string text;
};

// Events: one stream. Blocks: every music block of a MUS binary.
enum class ItemKind { Fields, Events, Blocks, Samples, Song, Unreferenced };

struct Item {
  ItemKind kind = ItemKind::Fields;
  uint32_t offset = 0;
  uint32_t size = 0;
  std::string heading;  // empty for the file header
  std::vector<Field> fields;
  int index = -1;    // the stream (Events) or song (Song) it lists
  bool raw = false;  // its bytes follow its fields, eight a line
};

// A channel entry of a MUS binary.
struct MainEntry {
  uint32_t start;
  uint32_t channel;
  uint32_t priority;
};

// The music blocks of a MUS binary, in file order, with who refers to
// each. A block runs from its start to the next block's, the last to the
// end of the music.
struct Blocks {
  std::vector<uint32_t> starts;
  uint32_t areaEnd = 0;  // where the music ends: a call there is an empty block
  std::vector<MainEntry> mains;
  std::vector<uint32_t> callersFrom;  // block b's callers: [callersFrom[b], callersFrom[b + 1])
  std::vector<uint32_t> callers;      // offsets of the calls, in file order per block
  std::vector<uint32_t> component;    // blocks of one component call round in a cycle

  Stream At(size_t b) const {
    return {&format::kMusicLanguage, starts[b], b + 1 < starts.size() ? starts[b + 1] : areaEnd};
  }
};

// A note-off point, listed among the events of its instrument's stream.
struct NoteOff {
  uint32_t at;
  uint32_t instrument;
  size_t stream;
};

struct Decoded {
  const char* format = "";
  uint32_t size = 0;
  std::vector<Item> items;  // in file order, covering every byte once
  std::vector<Stream> streams;  // of instruments and sound effects
  std::vector<Decoded> songs;  // a track pack's MUS songs, own offsets
  uint32_t unreferencedBytes = 0;
  Blocks blocks;
  std::vector<bool> noiseInstruments;  // MUS: whose events hold `noise`
  std::vector<NoteOff> noteOffs;       // MUS: in instrument order
};

// Where decoding stopped, and the message that says why.
struct DumpFault {
  uint32_t offset = 0;
  const char* text = nullptr;
};

// Called every few megabytes of a file read through: a file mapped into
// memory may then let go of the pages read so far.
using LetGo = std::function<void()>;

}  // namespace psgc::dump
