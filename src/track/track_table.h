// The table vocana-track writes: TSV, CSV or JSON.
#pragma once

#include <vocana/track.h>

#include <cstdio>
#include <string>

#include "track/track_options.h"

// What every file's rows share.
struct TableLayout {
  TableFormat format = TableFormat::tsv;
  int formants = 5;             // columns F1..FN and B1..BN
  bool file_column = false;     // a leading file column (several files)
  bool ceiling_column = false;  // a trailing ceiling column (--ceiling auto)
};

// write_table_start: the header line (TSV, CSV) or the opening of the JSON
//   array of files.
//   out     in/out  the stream
//   layout  in      the columns
void write_table_start(std::FILE* out, const TableLayout& layout);

// write_table_file: the rows of one file (TSV, CSV: one line per row; JSON:
//   one object with the file's name, the version, the settings, the chosen
//   ceiling and the rows as records).
//   out      in/out  the stream
//   layout   in      the columns
//   first    in      whether this is the first file written (JSON separators)
//   options  in      the settings to record (JSON)
//   file     in      the file's name as given
//   tracks   in      the rows
// Times are written with 6 decimals, frequencies, bandwidths and intensity
// with 2; a missing value is NaN (TSV, CSV) or null (JSON); the intensity of
// digital silence is -Inf (null in JSON).
void write_table_file(std::FILE* out, const TableLayout& layout, bool first,
                      const TrackOptions& options, const std::string& file,
                      const vocana::FormantTracks& tracks);

// write_table_end: closes the JSON array; nothing for TSV and CSV.
void write_table_end(std::FILE* out, const TableLayout& layout);
