// tests/audio/set_file.h - head-related sets (SOFA, SimpleFreeFieldHRIR) written at test
// time from numbers, by ncgen (netcdf-bin) from the CDL text made here: the hostile sets of
// the set reader's tests, and a set too large to read quickly for the game's wait.
#pragma once

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

// A set's variables as numbers, written back as a SOFA file by ncgen.
struct SetFile {
  double rate = 0.0;
  uint32_t measurements = 0;
  uint32_t taps = 0;
  std::vector<double> ir;         // measurement, ear, tap
  std::vector<double> positions;  // azimuth, elevation (degrees), distance (metres)
  bool hasDelay = true;
  std::vector<double> delay = {0.0, 0.0};  // both ears, for every measurement
};

inline void Numbers(std::ostream& out, const std::vector<double>& values) {
  out.precision(17);
  for (size_t i = 0; i < values.size(); ++i) {
    if (i > 0) out << ",";
    out << (i % 8 == 0 ? "\n  " : " ");
    if (std::isnan(values[i])) {
      out << "NaN";
    } else if (std::isinf(values[i])) {
      out << (values[i] > 0 ? "Infinity" : "-Infinity");
    } else {
      out << values[i];
    }
  }
  out << " ;\n";
}

// The set as a SOFA file (netCDF-4), through the CDL text ncgen reads; false when ncgen
// failed.
inline bool WriteSetFile(const SetFile& set, const std::string& path) {
  std::ostringstream cdl;
  cdl << "netcdf set {\ndimensions:\n I = 1 ;\n C = 3 ;\n R = 2 ;\n E = 1 ;\n N = " << set.taps
      << " ;\n M = " << set.measurements << " ;\n S = UNLIMITED ;\nvariables:\n"
      << " double ListenerPosition(I, C) ;\n  ListenerPosition:Type = \"cartesian\" ;\n"
      << "  ListenerPosition:Units = \"metre\" ;\n"
      << " double ReceiverPosition(R, C, I) ;\n  ReceiverPosition:Type = \"cartesian\" ;\n"
      << "  ReceiverPosition:Units = \"metre\" ;\n"
      << " double SourcePosition(M, C) ;\n  SourcePosition:Type = \"spherical\" ;\n"
      << "  SourcePosition:Units = \"degree, degree, metre\" ;\n"
      << " double EmitterPosition(E, C, I) ;\n  EmitterPosition:Type = \"cartesian\" ;\n"
      << "  EmitterPosition:Units = \"metre\" ;\n"
      << " double ListenerUp(I, C) ;\n double ListenerView(I, C) ;\n"
      << "  ListenerView:Type = \"cartesian\" ;\n  ListenerView:Units = \"metre\" ;\n"
      << " double Data.IR(M, R, N) ;\n double Data.SamplingRate(I) ;\n"
      << "  Data.SamplingRate:Units = \"hertz\" ;\n";
  const bool each = set.delay.size() > 2;
  if (set.hasDelay) cdl << " double Data.Delay(" << (each ? "M" : "I") << ", R) ;\n";
  cdl << "\n:Conventions = \"SOFA\" ;\n:Version = \"1.0\" ;\n"
      << ":SOFAConventions = \"SimpleFreeFieldHRIR\" ;\n:SOFAConventionsVersion = \"1.0\" ;\n"
      << ":APIName = \"test\" ;\n:APIVersion = \"1.0\" ;\n:AuthorContact = \"\" ;\n"
      << ":Comment = \"\" ;\n:DataType = \"FIR\" ;\n:License = \"test\" ;\n"
      << ":Organization = \"\" ;\n:RoomType = \"free field\" ;\n:Title = \"\" ;\n"
      << ":DateCreated = \"2026-01-01 00:00:00\" ;\n:DateModified = \"2026-01-01 00:00:00\" ;\n"
      << "data:\n ListenerPosition = 0, 0, 0 ;\n ReceiverPosition = 0, 0.09, 0, 0, -0.09, 0 ;\n"
      << " EmitterPosition = 0, 0, 0 ;\n ListenerUp = 0, 0, 1 ;\n ListenerView = 1, 0, 0 ;\n"
      << " SourcePosition =";
  Numbers(cdl, set.positions);
  cdl << " Data.IR =";
  Numbers(cdl, set.ir);
  cdl << " Data.SamplingRate =";
  Numbers(cdl, {set.rate});
  if (set.hasDelay) {
    cdl << " Data.Delay =";
    Numbers(cdl, set.delay);
  }
  cdl << "}\n";
  const std::string text = path + ".cdl";
  std::ofstream(text) << cdl.str();
  const std::string command = "ncgen -k nc4 -o '" + path + "' '" + text + "'";
  const bool made = std::system(command.c_str()) == 0;
  std::remove(text.c_str());
  return made;
}
