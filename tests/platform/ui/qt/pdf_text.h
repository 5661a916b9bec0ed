#pragma once
// The words of a PDF file as poppler's pdftotext reads them (-tsv): each
// with its page and its box in points from the page's top left corner, and
// each page's size. The tests that include it define QVN_PDFTOTEXT as the
// tool's path.

#include <stdio.h>

#include <cstdio>
#include <filesystem>
#include <map>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

namespace qvn::test_pdf {

inline constexpr double kPointsPerThou = 72.0 / 1000.0;

struct Word {
  int page = 0;
  double left = 0, top = 0, width = 0, height = 0;
  std::string text;
};

struct PdfText {
  std::vector<Word> words;
  std::map<int, std::pair<double, double>> pages;  // page: width, height
};

// What the command writes to its standard output.
inline std::string run(const std::string& command) {
  std::string out;
  FILE* pipe = ::popen(command.c_str(), "r");
  if (!pipe) return out;
  char buf[4096];
  size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, pipe)) > 0) out.append(buf, n);
  ::pclose(pipe);
  return out;
}

inline PdfText read_pdf(const std::string& pdftotext, const std::filesystem::path& pdf) {
  PdfText result;
  std::istringstream in(run(pdftotext + " -tsv '" + pdf.string() + "' - 2>/dev/null"));
  std::string line;
  std::getline(in, line);  // the column names
  while (std::getline(in, line)) {
    std::vector<std::string> cells;
    std::istringstream fields(line);
    std::string cell;
    while (std::getline(fields, cell, '\t')) cells.push_back(cell);
    if (cells.size() < 11) continue;
    const int level = std::stoi(cells[0]);
    Word w;
    w.page = std::stoi(cells[1]);
    w.left = std::stod(cells[6]);
    w.top = std::stod(cells[7]);
    w.width = std::stod(cells[8]);
    w.height = std::stod(cells[9]);
    if (level == 1) result.pages[w.page] = {w.width, w.height};
    if (level == 5 && cells.size() >= 12) {
      w.text = cells[11];
      result.words.push_back(w);
    }
  }
  return result;
}

// The words of that text, on that page (0: on any).
inline std::vector<const Word*> find(const PdfText& text, const std::string& word, int page = 0) {
  std::vector<const Word*> out;
  for (const Word& w : text.words) {
    if (w.text == word && (page == 0 || w.page == page)) out.push_back(&w);
  }
  return out;
}

}  // namespace qvn::test_pdf
