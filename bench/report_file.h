// Report output files for the output benchmarks: the mix of lines a report run writes (font
// changes, paragraphs, page marks, lines and Cyrillic text), deterministic, and small helpers
// to time work by processor time.
#pragma once

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <string>

namespace bench {

// `lines` lines of 96 characters; with `plain` set, the same text without control sequences
// and page marks (what a plain-text baseline gets). A page mark every `pageLines` lines.
inline void WriteReport(const std::string& path, int lines, int pageLines = 60, bool plain = false) {
  std::ofstream out(path, std::ios::binary);
  std::string buffer;
  std::uint32_t seed = 12345;
  auto next = [&seed] { return seed = seed * 1103515245u + 12345u; };
  const std::string words[] = {"Invoice", "total", "amount", "customer", "12 345.67", "date",
                               "\xD0\xA1\xD1\x83\xD0\xBC\xD0\xBC\xD0\xB0",  // Cyrillic "Sum"
                               "account", "balance", "|", "0.00", "\xD0\x98\xD1\x82\xD0\xBE\xD0\xB3\xD0\xBE"};
  for (int i = 0; i < lines; ++i) {
    std::string line;
    const int inParagraph = i % 50;  // lines 40..44 of every 50 form a paragraph
    if (!plain) {
      if (i % pageLines == 0 && i > 0) line += '^';
      if (inParagraph == 40) line += "\\PB10:10";
      if (i % 17 == 0) line += (next() & 1) ? "\\F17:12" : "\\F0:10";
      if (i % 500 == 3) line += "\\L10:10:190:10:2";
    } else if (i % 17 == 0) {
      next();
    }
    std::string text;
    while (text.size() < 96) {
      text += words[next() % 12];
      text += ' ';
    }
    // Cut at a character boundary.
    std::size_t cut = 96;
    while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) --cut;
    text.resize(cut);
    line += text;
    if (!plain && inParagraph == 44) line += "\\PE";
    buffer += line;
    buffer += "\r\n";
    if (buffer.size() > (1 << 20)) {
      out.write(buffer.data(), static_cast<std::streamsize>(buffer.size()));
      buffer.clear();
    }
  }
  out.write(buffer.data(), static_cast<std::streamsize>(buffer.size()));
}

inline double CpuSeconds(const rusage& usage) {
  return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

inline double OwnCpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return CpuSeconds(usage);
}

}  // namespace bench
