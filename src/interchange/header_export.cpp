#include "interchange/header_export.h"

#include <cstdarg>
#include <cstdio>

#include "database/file_io.h"
#include "database/image.h"

namespace kavor {

namespace {

// One output file. Text is collected in memory with LF line ends and written
// in one go with CR LF; every step that can fail is checked, down to fclose,
// because a full disk or a size limit shows only there.
class HeaderFile {
 public:
  void Print(const char* format, ...) __attribute__((format(printf, 2, 3))) {
    char buffer[256];
    va_list args;
    va_start(args, format);
    const int n = std::vsnprintf(buffer, sizeof buffer, format, args);
    va_end(args);
    // The formats here print a handful of numbers and never come near the
    // buffer; a longer text would be a programming error, cut rather than
    // overrun.
    if (n > 0) Append(std::string(buffer, static_cast<std::size_t>(n) < sizeof buffer
                                              ? static_cast<std::size_t>(n)
                                              : sizeof buffer - 1));
  }
  void Append(const std::string& text) {
    for (char c : text) {
      if (c == '\n') text_ += '\r';
      text_ += c;
    }
  }
  bool WriteTo(const std::filesystem::path& path) const {
    std::FILE* f = OpenFile(path, "wb");
    if (f == nullptr) return false;
    bool ok = std::fwrite(text_.data(), 1, text_.size(), f) == text_.size();
    ok = std::fflush(f) == 0 && ok;
    ok = std::fclose(f) == 0 && ok;
    return ok;
  }

 private:
  std::string text_;
};

std::string PaddedSatelliteName(const Image& image, int slot) {
  std::string name = image.Satellite(slot).mSatName();
  if (name.size() < static_cast<std::size_t>(kMaxSatelliteName)) {
    name.resize(kMaxSatelliteName, ' ');
  }
  return name;
}

HeaderFile SatelliteHeader(const Image& image) {
  HeaderFile h;
  h.Append(
      "// PgDefSat.h\n\n"
      "#define\tDEFAULT_NUM_OF_SAT\t50\n\n"
      "struct\tDEFAULT_SAT\n"
      "{\n"
      "\tuint16\tmDegree;\n"
      "\tuint8\tmSatName[MAX_SATELLITE_NAME+1];\n"
      "\tuint8\tmSatId;\n"
      "\tuint8\tmAntenaType;\n"
      "\tuint8\tmFlag;\n"
      "\tuint8\tmSwitcher;\n"
      "};\n\n"
      "struct\tDEFAULT_SAT\tdefaultsat[] = \n{\n");
  for (int slot = 0; slot < kSatelliteSlots; ++slot) {
    const SatelliteRecord s = image.Satellite(slot);
    h.Print("{%4d, ", s.mDegree());
    h.Append("\"" + QuotedNameText(PaddedSatelliteName(image, slot)) + "\"");
    h.Print(", %2d, %1d, 0x%02X, 0x%02X}", s.mSatId(), s.mAntenaType(), s.mFlag(),
            s.mSwitcher());
    h.Append(slot + 1 < kSatelliteSlots ? ",\n" : "\n");
  }
  h.Append("};\n");
  return h;
}

HeaderFile TransponderHeader(const Image& image) {
  HeaderFile h;
  h.Append(
      "// PgDefTp.h\n\n"
      "struct\tDEFAULT_TP\n"
      "{\n"
      "\tuint16\tmNetworkId;\n"
      "\tuint16\tmTpId;\n"
      "\tuint16\tmFrequency;\n"
      "\tuint16\tmSymbolRate;\n"
      "\tuint8\tmSatId;\n"
      "\tuint8\tmTpFlag;\n"
      "};\n\n"
      "struct\tDEFAULT_TP\tdefaulttp[] = \n{");
  const int count = image.TpCountInUse();
  int previous_sat_id = -1;  // the first entry always opens a group
  for (int i = 0; i <= count; ++i) {
    // The entry after the last transponder is all zero and ends the table.
    std::uint8_t zero[TransponderRecord::kSize] = {};
    const TransponderRecord tp = i < count ? image.Transponder(i) : TransponderRecord(zero);
    if (tp.mSatId() != previous_sat_id) {
      std::string name;
      if (tp.mSatId() >= 1 && tp.mSatId() <= kSatelliteSlots) {
        name = image.Satellite(tp.mSatId() - 1).mSatName();
      }
      h.Append("\n//\t" + CommentNameText(name) + "\n");
      previous_sat_id = tp.mSatId();
    }
    h.Print("{%5d, %5d, %5d, %5d, %2d, 0x%02X}", tp.mNetworkId(), tp.mTpId(), tp.mFrequency(),
            tp.mSymbolRate(), tp.mSatId(), tp.mTpFlag());
    h.Append(i < count ? ",\n" : "\n");
  }
  h.Append("};\n");
  return h;
}

HeaderFile ServiceHeader(const Image& image) {
  HeaderFile h;
  const int count = image.ServiceCountInUse();
  h.Append("// PgDefSvc_S.h\n\n");
  h.Print("#define\tDEFAULT_NUM_OF_SERVICE\t%d\n\n", count);
  h.Append("SSERVICE_INFO\tdefaultservice[] = \n{\n");
  for (int slot = 0; slot < count; ++slot) {
    const ChannelRecord c = image.Channel(slot);
    h.Print("{%5d, %5d, %4d, %4d, %4d, %4d, 0x%04X, %5d, %5d, %3d, %3d, %3d, 0x%02X, 0x%02X, %3d, ",
            c.mNetworkId(), c.mServiceId(), c.mChannelNo(), c.mVideoPid(), c.mAudioPid(),
            c.mPcrPid(), c.mServiceFlag(), c.mCaSystemId(), c.mEcmPid(), c.mSatId(),
            c.mTpNumber(), c.mCategory(), c.mAudioFlag(), c.mServiceFlag2(), c.mCharTable());
    h.Append("\"" + QuotedNameText(c.mServiceName()) + "\"},\n");
  }
  h.Append("};\n");
  return h;
}

}  // namespace

std::string QuotedNameText(const std::string& name) {
  std::string out;
  out.reserve(name.size());
  for (char ch : name) {
    const auto b = static_cast<unsigned char>(ch);
    if (b == '"' || b == '\\') {
      out += '\\';
      out += ch;
    } else if (b < 0x20 || b == 0x7F) {
      // Always three digits: a digit that follows cannot join the escape.
      char octal[5];
      std::snprintf(octal, sizeof octal, "\\%03o", b);
      out += octal;
    } else {
      out += ch;
    }
  }
  return out;
}

std::string CommentNameText(const std::string& name) {
  std::string out = name;
  for (char& ch : out) {
    const auto b = static_cast<unsigned char>(ch);
    if (b < 0x20 || b == 0x7F || b == '\\') ch = '_';
  }
  return out;
}

bool ExportDefaultTables(const Image& image, const std::filesystem::path& folder) {
  return SatelliteHeader(image).WriteTo(folder / "PgDefSat.h") &&
         TransponderHeader(image).WriteTo(folder / "PgDefTp.h") &&
         ServiceHeader(image).WriteTo(folder / "PgDefSvc_S.h");
}

const char* ExportResultText(bool ok) { return ok ? "Ok" : "Error"; }

}  // namespace kavor
