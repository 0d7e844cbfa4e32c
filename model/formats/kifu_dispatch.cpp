#include "model/formats/kifu_dispatch.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <utility>

#include "model/formats/csa_format.h"
#include "model/formats/ki2_format.h"
#include "model/formats/kif_format.h"
#include "model/formats/kif_henka_reader.h"
#include "model/formats/qvf_format.h"
#include "model/formats/vkr_reader.h"
#include "model/text/ckf_packing.h"
#include "model/text/record_file.h"
#include "model/text/text_encoding.h"
#include "model/text/text_stream.h"
#include "model/text/text_stream_util.h"
#include "platform/file_info.h"
#include "platform/file_replace.h"

namespace model {

namespace {

// Extensions in the order they are tried.
struct ExtensionCode {
  const char* ext;
  int code;
};
constexpr ExtensionCode kExtensions[] = {{"bkf", kFormatKif}, {"kif", kFormatKif}, {"ki2", kFormatKi2},
                                         {"csa", kFormatCsa}, {"vkr", kFormatVkr}, {"qvf", kFormatQvf},
                                         {"ckf", kFormatCkf}, {"qvx", kFormatKifHenka}};
// The extensions of KIF and KI2 files written in UTF-8.
constexpr ExtensionCode kUtf8Extensions[] = {{"kifu", kFormatKif}, {"ki2u", kFormatKi2}};

bool writable(int code) {
  return code == kFormatKif || code == kFormatKi2 || code == kFormatCsa || code == kFormatQvf ||
         code == kFormatCkf;
}

// After failed reads: `into` takes the reason why `from` failed (a start
// position that breaks the rules, an unknown handicap, a line of no known
// kind in a text without moves) unless it has one.
void keep_failure(KifuReadStop& into, KifuReadStop& from) {
  if (into.bad_start || into.unknown_handicap_line != 0 || into.passed_over.line != 0) return;
  into.bad_start = from.bad_start;
  into.unknown_handicap_line = from.unknown_handicap_line;
  into.unknown_handicap = std::move(from.unknown_handicap);
  into.passed_over = std::move(from.passed_over);
}

// Why a read failed, as its KifuReadStop tells it: a start position that
// breaks the rules, else an unknown handicap, else a line of no known kind,
// else no record.
KifuLoadError::Kind failure_kind(const KifuReadStop& stop) {
  if (stop.bad_start) return KifuLoadError::kBadStart;
  if (stop.unknown_handicap_line != 0) return KifuLoadError::kUnknownHandicap;
  return stop.passed_over.line != 0 ? KifuLoadError::kUnknownLine : KifuLoadError::kNotARecord;
}

// Resolves `*format`: a non-zero code stands, 0 is detected from the path.
bool resolve_format(const char* path, int* format) {
  if (*format == kFormatUnknown) *format = kifu_format_from_path(path);
  return *format != kFormatUnknown;
}

}  // namespace

int kifu_read_stream(Kifu& kifu, TextReader& reader, int code, bool merge, KifuReadStop* stop) {
  if (stop) *stop = KifuReadStop{};
  switch (code) {
    case kFormatKif: {
      // Files of the change-branch layout are named like KIF files too.
      KifuReadStop kif_stop;
      if (kifu_read_kif(kifu, reader, merge, &kif_stop) == 0) {
        if (stop) *stop = std::move(kif_stop);
        return 0;
      }
      reader.Rewind();
      const int result = kifu_read_kif_henka(kifu, reader, merge, stop);
      // When neither reads it, the KIF reader's reason stands, else the
      // change-branch reader's.
      if (result != 0 && stop) {
        keep_failure(kif_stop, *stop);
        *stop = std::move(kif_stop);
      }
      return result;
    }
    case kFormatCkf:
      return kifu_read_kif(kifu, reader, merge, stop);
    case kFormatKi2:
      return kifu_read_ki2(kifu, reader, merge, stop);
    case kFormatCsa:
      return kifu_read_csa(kifu, reader, merge, false, stop);
    case kFormatQvf:
      return kifu_read_qvf(kifu, reader, merge);
    case kFormatVkr:
      return kifu_read_vkr(kifu, reader, merge);
    case kFormatKifHenka:
      return kifu_read_kif_henka(kifu, reader, merge, stop);
    default:
      return -1;
  }
}

namespace {

// Writes the record (or, given `from`, that position as a record without moves).
void write_with(int code, const Kifu& kifu, TextWriter& writer, const Kyokumen* from) {
  switch (code) {
    case kFormatKif:
    case kFormatCkf:
      from ? kifu_write_kif_position(kifu, writer, *from) : kifu_write_kif(kifu, writer);
      break;
    case kFormatKi2:
      from ? kifu_write_ki2_position(kifu, writer, *from) : kifu_write_ki2(kifu, writer);
      break;
    case kFormatCsa:
      from ? kifu_write_csa_position(kifu, writer, *from) : kifu_write_csa(kifu, writer);
      break;
    case kFormatQvf:
      from ? kifu_write_qvf_position(kifu, writer, *from) : kifu_write_qvf(kifu, writer);
      break;
    default:
      break;
  }
}

// After a successful read: the holder starts at the record's root. `name` null
// leaves the name empty (pasted text).
void after_load(KifuHolder& holder, const char* name, bool merge) {
  holder.SetCurrent(holder.kifu.root.get());
  if (merge) {
    holder.modified = 1;
  } else {
    holder.modified = 0;
    holder.name.Assign(name);
  }
  holder.kifu.SetNotify(true);
  holder.kifu.NotifyTesu(holder.kifu.Start()->tesu);
}

// Writes through a file or packed writer. A file is written into a temporary
// file beside the file `path` leads to and renamed over it only when every
// write and the close succeeded (platform::FileReplacement: a fresh name that
// no planted link redirects, the replaced file's mode kept, a symbolic link
// kept with its file replaced). Standard output, a device and a pipe take the
// text as they are: a rename would put a plain file in a device's place.
template <typename Writer>
bool write_file(const char* path, int code, const Kifu& kifu, const Kyokumen* from) {
  Writer w;
  if (std::strcmp(path, "-") == 0 || platform::path_is_device(path)) {
    if (w.Open(path) != 0) return false;
    write_with(code, kifu, w, from);
    return w.Close() == 0;
  }
  // A folder in the file's place, like any path no file can be written at,
  // is refused by the replacement with its reason.
  errno = 0;
  std::unique_ptr<platform::FileReplacement> replacement = platform::FileReplacement::Begin(path);
  if (!replacement) {
    if (errno == 0) errno = EACCES;
    return false;
  }
  w.Attach(replacement->stream());
  write_with(code, kifu, w, from);
  if (w.Close() == 0 && replacement->Commit()) return true;
  const int reason = errno ? errno : EIO;  // kept for the caller's message
  replacement.reset();                     // the temporary file goes
  errno = reason;
  return false;
}

// A file writer that writes the text it is given in UTF-8: the Shift-JIS text
// of a writer is gathered, then converted and written as a whole when the
// writer is closed (line ends as the file writer writes them).
class Utf8FileTextWriter : public TextWriter {
 public:
  int Open(const char* path) { return file_.Open(path); }
  int Attach(FILE* fp) { return file_.Attach(fp); }
  int Close() {
    const std::string utf8 = sjis_to_utf8(std::string_view(text_.c_str(), static_cast<size_t>(text_.length())));
    text_.Free();
    file_.Puts(utf8.c_str());
    return file_.Close();
  }

  int Puts(const char* s) override { return gathered_.Puts(s); }
  int Putc(int c) override { return gathered_.Putc(c); }

 private:
  FileTextWriter file_;
  KString text_;
  MemTextWriter gathered_{text_, false};
};

// Writes the record (or the position `from`) as `path`: the packed form
// packed, any other in Shift-JIS or, with `utf8`, in UTF-8.
bool save(const KifuHolder& holder, const char* path, int code, const Kyokumen* from, bool utf8) {
  if (code == kFormatCkf) return write_file<PackedTextWriter>(path, code, holder.kifu, from);
  return utf8 ? write_file<Utf8FileTextWriter>(path, code, holder.kifu, from)
              : write_file<FileTextWriter>(path, code, holder.kifu, from);
}

// The extension of `path` folded to lower case when it has `letters` letters
// (the text after the last "."), else empty.
std::string extension_of(const char* path, size_t letters) {
  if (!path) return {};
  const char* dot = std::strrchr(path, '.');
  if (!dot || std::strlen(dot) != letters + 1) return {};
  std::string ext(dot + 1);
  for (char& c : ext) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return ext;
}

template <size_t N>
int code_of(const std::string& ext, const ExtensionCode (&table)[N]) {
  for (const ExtensionCode& e : table) {
    if (ext == e.ext) return e.code;
  }
  return kFormatUnknown;
}

// The whole record as `path`, in UTF-8 or not; see kifu_save_file.
bool save_whole(KifuHolder& holder, const char* path, int* format, bool utf8) {
  if (!path || !resolve_format(path, format) || !writable(*format)) return false;
  // The writers follow each shared position's first incoming move.
  holder.kifu.SortIncoming();
  if (!save(holder, path, *format, nullptr, utf8)) return false;
  holder.modified = 0;
  holder.name.Assign(path);
  return true;
}

}  // namespace

int kifu_format_from_path(const char* path) { return code_of(extension_of(path, 3), kExtensions); }

int kifu_utf8_format_from_path(const char* path) { return code_of(extension_of(path, 4), kUtf8Extensions); }

bool kifu_load_file(KifuHolder& holder, const char* path, int* format, bool merge,
                    KifuReadStop* stop, KifuLoadError* error) {
  KifuLoadError local;
  KifuLoadError& e = error ? *error : local;
  e = KifuLoadError{};
  if (stop) *stop = KifuReadStop{};
  if (!path || !resolve_format(path, format)) {
    e.kind = KifuLoadError::kUnknownFormat;
    return false;
  }
  std::string bytes;
  switch (read_record_file(path, bytes, &e.os_error)) {
    case kRecordFileRead:
      break;
    case kRecordFileTooLarge:
      e.kind = KifuLoadError::kTooLarge;
      return false;
    default:
      e.kind = KifuLoadError::kSystem;
      return false;
  }
  return kifu_load_bytes(holder, std::move(bytes), path, *format, merge, stop, error);
}

bool kifu_load_bytes(KifuHolder& holder, std::string bytes, const char* name, int format, bool merge,
                     KifuReadStop* stop, KifuLoadError* error) {
  KifuLoadError local;
  KifuLoadError& e = error ? *error : local;
  e = KifuLoadError{};
  if (stop) *stop = KifuReadStop{};
  if (format == kFormatUnknown) {
    e.kind = KifuLoadError::kUnknownFormat;
    return false;
  }
  if (format == kFormatCkf) {
    // The packed form is decoded as the packed reader decodes it.
    std::string plain(bytes.size() * 3 / 4, '\0');
    const int n = ckf_unpack_blocks(bytes.data(), static_cast<int>(bytes.size()),
                                    reinterpret_cast<unsigned char*>(plain.data()));
    plain.resize(static_cast<size_t>(n));
    bytes.swap(plain);
  }
  MemTextReader reader(bytes.data(), static_cast<int>(bytes.size()));
  const bool skips_moves = format == kFormatQvf && qvf_text_holds_moves(bytes.data(), static_cast<int>(bytes.size()));
  std::string().swap(bytes);
  KifuReadStop local_stop;
  KifuReadStop& st = stop ? *stop : local_stop;
  const int result = format == kFormatCkf ? kifu_read_kif(holder.kifu, reader, merge, &st)
                                          : kifu_read_stream(holder.kifu, reader, format, merge, &st);
  if (result != 0) {
    e.kind = failure_kind(st);
    return false;
  }
  after_load(holder, name, merge);
  st.moves_skipped = skips_moves;
  return true;
}

bool kifu_save_file(KifuHolder& holder, const char* path, int* format) {
  return save_whole(holder, path, format, false);
}

bool kifu_save_file_utf8(KifuHolder& holder, const char* path, int* format) {
  return save_whole(holder, path, format, true);
}

bool kifu_save_file_from(KifuHolder& holder, const char* path, int* format) {
  if (!path || !resolve_format(path, format) || !writable(*format)) return false;
  return save(holder, path, *format, &holder.kyokumen, false);
}

bool kifu_save_memory(const KifuHolder& holder, KString& target, int format, bool from_position) {
  MemTextWriter writer(target, true);
  switch (format) {
    case kFormatKif:
    case kFormatKi2:
    case kFormatCsa:
    case kFormatQvf:
      write_with(format, holder.kifu, writer, from_position ? &holder.kyokumen : nullptr);
      break;
    default:
      // Any other code copies the whole record as KI2, position flag or not.
      kifu_write_ki2(holder.kifu, writer);
      break;
  }
  return true;
}

namespace {

// Reads a text whose format nothing names by trying the readers in turn:
// KIF, KIF with change sections, QVF, CSA (strict for pasted text: no version
// or information line, nothing that is no CSA statement) and KI2; the first
// that accepts it wins. False (holder unchanged) when none does, `stop`
// then telling why as a failed read does (its bad_start, or else the first
// unknown handicap a reader met).
bool load_by_trying(KifuHolder& holder, const char* text, int n, bool strict_csa, KifuReadStop* stop) {
  MemTextReader reader(text, n);
  // The readers in the order they are tried; QVF gives back the position
  // only, so a QVF text holding moves is told as such.
  struct Try {
    int (*read)(Kifu&, TextReader&, bool strict_csa, KifuReadStop*);
    bool position_only;
  };
  const Try tries[] = {
      {[](Kifu& k, TextReader& r, bool, KifuReadStop* s) { return kifu_read_kif(k, r, false, s); }, false},
      {[](Kifu& k, TextReader& r, bool, KifuReadStop* s) { return kifu_read_kif_henka(k, r, false, s); }, false},
      {[](Kifu& k, TextReader& r, bool, KifuReadStop*) { return kifu_read_qvf(k, r, false); }, true},
      {[](Kifu& k, TextReader& r, bool strict, KifuReadStop* s) { return kifu_read_csa(k, r, false, strict, s); },
       false},
      {[](Kifu& k, TextReader& r, bool, KifuReadStop* s) { return kifu_read_ki2(k, r, false, s); }, false},
  };
  // A start position that breaks the rules or an unknown handicap, met by
  // any reader, is why the text could not be read (the first one met).
  KifuReadStop failed;
  for (const Try& t : tries) {
    reader.Rewind();
    KifuReadStop attempt;
    if (t.read(holder.kifu, reader, strict_csa, &attempt) == 0) {
      after_load(holder, nullptr, false);
      if (t.position_only) attempt.moves_skipped = qvf_text_holds_moves(text, n);
      if (stop) *stop = std::move(attempt);
      return true;
    }
    keep_failure(failed, attempt);
  }
  if (stop) *stop = std::move(failed);
  return false;
}

}  // namespace

bool kifu_load_memory(KifuHolder& holder, const char* text, KifuReadStop* stop) {
  if (stop) *stop = KifuReadStop{};
  // A text too long to count reads as an empty one.
  const int n = text_length(text);
  return load_by_trying(holder, text, n < 0 ? 0 : n, true, stop);
}

bool kifu_load_text(KifuHolder& holder, const std::string& bytes, KifuReadStop* stop, KifuLoadError* error) {
  KifuLoadError local;
  KifuLoadError& e = error ? *error : local;
  e = KifuLoadError{};
  KifuReadStop own;
  KifuReadStop& s = stop ? *stop : own;
  s = KifuReadStop{};
  if (load_by_trying(holder, bytes.data(), static_cast<int>(bytes.size()), false, &s)) return true;
  e.kind = failure_kind(s);
  return false;
}

}  // namespace model
