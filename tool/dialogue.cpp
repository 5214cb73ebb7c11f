// The run dialogue of pondra.
#include "tool/dialogue.hpp"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <new>

#include "orvex/parms3.hpp"
#include "tool/freeformat.hpp"

namespace pondra {

namespace {

bool is_blank(char c) { return c == ' ' || c == '\t'; }

// Reads the lines of the dialogue and counts them.
class LineReader {
public:
    explicit LineReader(std::istream& in) : in_(in) {}

    // The next line, cut or blank-padded to N characters (a trailing carriage
    // return of a CRLF line is dropped first). End of input is an error that
    // names what the line should have held.
    template <std::size_t N>
    orvex::Text<N> next(std::string_view expected) {
        ++lineno_;
        std::string line;
        if (!std::getline(in_, line))
            throw DialogueError(lineno_, "end of input; expected " + std::string(expected));
        if (!line.empty() && line.back() == '\r') line.pop_back();
        last_ = line;
        return orvex::Text<N>(line);
    }

    int lineno() const { return lineno_; }
    // The last line read, whole.
    const std::string& last() const { return last_; }

private:
    std::istream& in_;
    int lineno_ = 0;
    std::string last_;
};

// The values of one free-form line, checked for count and converted by item.
class FreeFormLine {
public:
    // `names` lists the items the line must supply, in order.
    FreeFormLine(int lineno, std::string_view text, std::vector<std::string_view> names)
        : lineno_(lineno), values_(split_free(text)), names_(std::move(names)) {
        if (values_.size() < names_.size()) {
            std::string list;
            for (std::size_t k = 0; k < names_.size(); ++k) list += (k ? ", " : "") + std::string(names_[k]);
            throw DialogueError(lineno_, std::to_string(values_.size()) + " value" +
                                             (values_.size() == 1 ? "" : "s") + " found; expected " +
                                             std::to_string(names_.size()) + " (" + list + ")");
        }
    }

    // Item k (0-based) as a 32-bit integer: optional sign and digits.
    int integer(std::size_t k) const {
        std::string_view digits = present(k);
        const bool plus = digits.front() == '+';
        if (plus) digits.remove_prefix(1);
        if (digits.empty() || (plus && digits.front() == '-')) fail(k, "is not an integer");
        int v = 0;
        const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), v);
        if (end != digits.data() + digits.size()) fail(k, "is not an integer");
        if (ec == std::errc::result_out_of_range) fail(k, "is out of range for a 32-bit integer");
        if (ec != std::errc()) fail(k, "is not an integer");
        return v;
    }

    // Item k as a 32-bit real: optional sign, digits with or without a decimal
    // point, optional exponent introduced by E or D (either case).
    float real(std::size_t k) const {
        const std::string_view s = present(k);
        std::string text(s);
        std::size_t p = 0;
        if (text[p] == '+' || text[p] == '-') ++p;
        std::size_t mant = 0;
        while (p < text.size() && std::isdigit(static_cast<unsigned char>(text[p]))) ++p, ++mant;
        if (p < text.size() && text[p] == '.') {
            ++p;
            while (p < text.size() && std::isdigit(static_cast<unsigned char>(text[p]))) ++p, ++mant;
        }
        if (mant == 0) fail(k, "is not a real number");
        if (p < text.size() && (text[p] == 'E' || text[p] == 'e' || text[p] == 'D' || text[p] == 'd')) {
            text[p] = 'E';
            ++p;
            if (p < text.size() && (text[p] == '+' || text[p] == '-')) ++p;
            std::size_t ex = 0;
            while (p < text.size() && std::isdigit(static_cast<unsigned char>(text[p]))) ++p, ++ex;
            if (ex == 0) fail(k, "is not a real number");
        }
        if (p != text.size()) fail(k, "is not a real number");
        errno = 0;
        const float v = std::strtof(text.c_str(), nullptr);
        if (std::isinf(v)) fail(k, "is out of range for a 32-bit real");
        return v;
    }

private:
    std::string_view present(std::size_t k) const {
        if (values_[k].empty())
            throw DialogueError(lineno_, "value " + std::to_string(k + 1) + " (" + std::string(names_[k]) +
                                             ") is empty");
        return values_[k];
    }

    [[noreturn]] void fail(std::size_t k, std::string_view why) const {
        throw DialogueError(lineno_, "value " + std::to_string(k + 1) + " (" + std::string(names_[k]) + ") \"" +
                                         std::string(values_[k]) + "\" " + std::string(why));
    }

    int lineno_;
    std::vector<std::string_view> values_;
    std::vector<std::string_view> names_;
};

}  // namespace

DialogueError::DialogueError(int line, const std::string& message)
    : std::runtime_error("dialogue line " + std::to_string(line) + ": " + message), line_(line) {}

std::size_t RunState::layer_size() const {
    return static_cast<std::size_t>(std::max(NCOLS, 0)) * static_cast<std::size_t>(std::max(NROWS, 0));
}

std::vector<std::string_view> split_free(std::string_view line) {
    std::vector<std::string_view> values;
    std::size_t p = 0;
    const std::size_t n = line.size();
    while (true) {
        while (p < n && is_blank(line[p])) ++p;
        if (p == n) break;
        if (line[p] == ',') {  // a value left out
            values.emplace_back();
            ++p;
            continue;
        }
        const std::size_t start = p;
        while (p < n && !is_blank(line[p]) && line[p] != ',') ++p;
        values.push_back(line.substr(start, p - start));
        while (p < n && is_blank(line[p])) ++p;
        if (p < n && line[p] == ',') ++p;  // the comma that ends this value
    }
    return values;
}

void start_run(RunState& st, std::ostream& out) {
    st.PROGNAME = "QUON";
    write_line(out, FreeLine().text("max vars").integer(orvex::MXVARS3));
}

void read_dialogue(std::istream& in, std::ostream& out, RunState& st) {
    LineReader reader(in);

    // Line 1: projection and output grid.
    orvex::Text<LINELEN> FNAME = reader.next<LINELEN>("the projection and output grid line (9 values)");
    {
        const FreeFormLine f(reader.lineno(), FNAME,
                             {"PROJ 1", "PROJ 2", "PROJ 3", "PROJ 4", "NCOLS", "NROWS", "XORIG", "YORIG", "CELL"});
        for (std::size_t k = 0; k < 4; ++k) st.PROJ[k] = f.real(k);
        st.NCOLS = f.integer(4);
        st.NROWS = f.integer(5);
        st.XORIG = f.real(6);
        st.YORIG = f.real(7);
        st.CELL = f.real(8);
    }
    std::string proj = "Projection:" + std::string(8, ' ');
    for (float p : st.PROJ) proj += fixed_f10_0(p);
    out << proj << '\n';
    write_line(out, FreeLine().text("X and Y cells:").integer(st.NCOLS).integer(st.NROWS));

    // Kilometres to metres, in single precision.
    st.XORIG = st.XORIG * 1000.0f;
    st.YORIG = st.YORIG * 1000.0f;
    st.CELL = st.CELL * 1000.0f;
    write_line(out, FreeLine().text("X orig, Y orig, cell size (m):").real(st.XORIG).real(st.YORIG).real(st.CELL));

    // Line 2: year.
    FNAME = reader.next<LINELEN>("the output year line (YEAR)");
    st.YEAR = FreeFormLine(reader.lineno(), FNAME, {"YEAR"}).integer(0);
    write_line(out, FreeLine().text("Year for output file:").integer(st.YEAR));

    // Lines 3 and 4: the output logical names.
    st.OUTFILE = reader.next<orvex::NAMLEN3>("the output emissions QA file name (OUTFILE)");
    st.typed_outfile = reader.last();
    write_line(out, FreeLine().text("Output emissions QA file:").text(st.OUTFILE));
    st.OUTFILEQD = reader.next<orvex::NAMLEN3>("the output air quality file name (OUTFILEQD)");
    st.typed_outfileqd = reader.last();
    write_line(out, FreeLine().text("Output air quality file:").text(st.OUTFILEQD));

    // Line 5: number of input entries.
    FNAME = reader.next<LINELEN>("the number of input files (NFILES)");
    st.NFILES = FreeFormLine(reader.lineno(), FNAME, {"NFILES"}).integer(0);
    write_line(out, FreeLine().text("# of input files to pondra:").integer(st.NFILES));
    if (st.NFILES > MXFILES)
        throw DialogueError(reader.lineno(), "NFILES " + std::to_string(st.NFILES) + " exceeds the limit of " +
                                                 std::to_string(MXFILES) + " input files");

    // The entries, each echoed as soon as it is read.
    st.ENAME.clear();
    for (int i = 1; i <= st.NFILES; ++i) {
        st.ENAME.push_back(reader.next<LINELEN>("input file entry " + std::to_string(i) + " of " +
                                                std::to_string(st.NFILES)));
        write_line(out, FreeLine().text("FILE:").text(st.ENAME.back()));
    }
}

void allocate_tots(RunState& st) {
    const std::size_t n = st.layer_size();
    if (n > std::numeric_limits<std::size_t>::max() / MXPOS) throw std::bad_alloc();
    st.TOTS.assign_zeros(n * MXPOS);
}

}  // namespace pondra
