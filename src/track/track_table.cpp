#include "track/track_table.h"

#include <vocana/version.h>

#include <cmath>

#include "track/fixed_format.h"

namespace {

// Decimals of the times [s], frequencies and bandwidths [Hz], intensities [dB].
constexpr int TIME_DECIMALS = 6;
constexpr int HZ_DECIMALS = 2;
constexpr int DB_DECIMALS = 2;

// A number as the JSON writer writes it: NaN for a missing value (null in JSON).
void put_number(std::FILE* out, double x, const char* format, bool json) {
  if (std::isnan(x)) {
    std::fputs(json ? "null" : "NaN", out);
  } else if (std::isinf(x)) {
    std::fputs(json ? "null" : (x < 0.0 ? "-Inf" : "Inf"), out);
  } else {
    std::fprintf(out, format, x);
  }
}

// A JSON string literal.
void put_json_string(std::FILE* out, const std::string& text) {
  std::fputc('"', out);
  for (const char ch : text) {
    const auto c = static_cast<unsigned char>(ch);
    if (c == '"' || c == '\\') {
      std::fputc('\\', out);
      std::fputc(ch, out);
    } else if (c < 0x20) {
      std::fprintf(out, "\\u%04x", c);
    } else {
      std::fputc(ch, out);
    }
  }
  std::fputc('"', out);
}

// A CSV field, quoted when it holds a comma, quote or line end.
std::string csv_field(const std::string& text) {
  if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
  std::string out = "\"";
  for (const char ch : text) {
    if (ch == '"') out.push_back('"');
    out.push_back(ch);
  }
  out.push_back('"');
  return out;
}

// A table value: NaN for a missing value, -Inf for the intensity of silence.
void append_value(std::string& out, double x, int decimals) {
  if (std::isnan(x)) {
    out += "NaN";
  } else if (std::isinf(x)) {
    out += x < 0.0 ? "-Inf" : "Inf";
  } else {
    append_fixed(out, x, decimals);
  }
}

const char* method_name(vocana::LpMethod m) {
  return m == vocana::LpMethod::burg ? "burg" : "autocorrelation";
}

const char* shape_name(vocana::WindowShape w) {
  return w == vocana::WindowShape::gaussian ? "gaussian" : "hamming";
}

void write_json_file(std::FILE* out, const TableLayout& layout, bool first, const TrackOptions& o,
                     const std::string& file, const vocana::FormantTracks& tr) {
  const vocana::TrackSettings& s = o.settings;
  std::fputs(first ? "\n" : ",\n", out);
  std::fputs("{\"file\": ", out);
  put_json_string(out, file);
  std::fprintf(out, ", \"version\": \"%s\",\n \"settings\": {", VOCANA_VERSION);
  if (s.auto_ceiling)
    std::fputs("\"ceiling\": \"auto\", ", out);
  else
    std::fprintf(out, "\"ceiling\": %.10g, ", s.ceiling);
  std::fprintf(out, "\"chosen_ceiling\": %.10g, ", tr.ceiling);
  std::fprintf(out, "\"formants\": %d, \"window\": %.10g, \"step\": %.10g, ", s.formants, s.window,
               s.step);
  std::fprintf(out, "\"pre_emphasis\": %.10g, \"channel\": ", s.pre_emphasis);
  if (o.channel == 0)
    std::fputs("\"mix\"", out);
  else
    std::fprintf(out, "%d", o.channel);
  std::fprintf(out, ", \"start\": %.10g, \"end\": ", s.start);
  put_number(out, s.end < 0.0 ? NAN : s.end, "%.10g", true);
  std::fputs(", \"times\": ", out);
  if (o.times_path.empty())
    std::fputs("null", out);
  else
    put_json_string(out, o.times_path);
  std::fprintf(out, ", \"method\": \"%s\", \"window_shape\": \"%s\"},\n", method_name(s.method),
               shape_name(s.shape));
  std::fprintf(out, " \"failed_frames\": %ld,\n \"rows\": [", tr.failed_frames);
  const int n = layout.formants;
  for (std::size_t j = 0; j < tr.time.size(); ++j) {
    std::fputs(j == 0 ? "\n  {\"time\": " : ",\n  {\"time\": ", out);
    put_number(out, tr.time[j], "%.6f", true);
    for (int i = 0; i < n; ++i) {
      std::fprintf(out, ", \"F%d\": ", i + 1);
      put_number(out, tr.frequency[j * n + i], "%.2f", true);
    }
    for (int i = 0; i < n; ++i) {
      std::fprintf(out, ", \"B%d\": ", i + 1);
      put_number(out, tr.bandwidth[j * n + i], "%.2f", true);
    }
    std::fputs(", \"intensity\": ", out);
    put_number(out, tr.intensity[j], "%.2f", true);
    std::fputc('}', out);
  }
  std::fputs("]}", out);
}

}  // namespace

void write_table_start(std::FILE* out, const TableLayout& layout) {
  if (layout.format == TableFormat::json) {
    std::fputc('[', out);
    return;
  }
  const char sep = layout.format == TableFormat::csv ? ',' : '\t';
  if (layout.file_column) std::fprintf(out, "file%c", sep);
  std::fputs("time", out);
  for (int i = 1; i <= layout.formants; ++i) std::fprintf(out, "%cF%d", sep, i);
  for (int i = 1; i <= layout.formants; ++i) std::fprintf(out, "%cB%d", sep, i);
  std::fprintf(out, "%cintensity", sep);
  if (layout.ceiling_column) std::fprintf(out, "%cceiling", sep);
  std::fputc('\n', out);
}

void write_table_file(std::FILE* out, const TableLayout& layout, bool first,
                      const TrackOptions& options, const std::string& file,
                      const vocana::FormantTracks& tr) {
  if (layout.format == TableFormat::json) {
    write_json_file(out, layout, first, options, file, tr);
    return;
  }
  const bool csv = layout.format == TableFormat::csv;
  const char sep = csv ? ',' : '\t';
  const int n = layout.formants;
  std::string prefix;
  if (layout.file_column) {
    prefix = csv ? csv_field(file) : file;
    prefix.push_back(sep);
  }
  std::string ceiling;
  if (layout.ceiling_column) {
    ceiling.push_back(sep);
    append_fixed(ceiling, tr.ceiling, 0);
  }
  std::string row;
  for (std::size_t j = 0; j < tr.time.size(); ++j) {
    row = prefix;
    append_value(row, tr.time[j], TIME_DECIMALS);
    for (int i = 0; i < n; ++i) {
      row.push_back(sep);
      append_value(row, tr.frequency[j * n + i], HZ_DECIMALS);
    }
    for (int i = 0; i < n; ++i) {
      row.push_back(sep);
      append_value(row, tr.bandwidth[j * n + i], HZ_DECIMALS);
    }
    row.push_back(sep);
    append_value(row, tr.intensity[j], DB_DECIMALS);
    row += ceiling;
    row.push_back('\n');
    std::fwrite(row.data(), 1, row.size(), out);
  }
}

void write_table_end(std::FILE* out, const TableLayout& layout) {
  if (layout.format == TableFormat::json) std::fputs("\n]\n", out);
}
