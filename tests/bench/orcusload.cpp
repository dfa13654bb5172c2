// Loads a workbook once with orcus through the smallest factory it accepts
// (shared strings counted, cells counted, nothing kept), so that orcus can be
// timed beside `wimport-bench --load` as a whole process. The file is read
// whole into memory first, as our loader does.
//   orcus-load FILE
#include <orcus/orcus_xlsx.hpp>
#include <orcus/spreadsheet/import_interface.hpp>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

namespace {

namespace ss = orcus::spreadsheet;

class Strings : public ss::iface::import_shared_strings {
public:
    size_t count = 0;
    size_t append(std::string_view) override { return count++; }
    size_t add(std::string_view) override { return count++; }
    void set_segment_font(size_t) override {}
    void set_segment_bold(bool) override {}
    void set_segment_italic(bool) override {}
    void set_segment_font_name(std::string_view) override {}
    void set_segment_font_size(double) override {}
    void set_segment_font_color(ss::color_elem_t, ss::color_elem_t, ss::color_elem_t, ss::color_elem_t) override {}
    void append_segment(std::string_view) override {}
    size_t commit_segments() override { return count++; }
};

class Sheet : public ss::iface::import_sheet {
public:
    size_t cells = 0;
    void set_auto(ss::row_t, ss::col_t, std::string_view) override { ++cells; }
    void set_string(ss::row_t, ss::col_t, ss::string_id_t) override { ++cells; }
    void set_value(ss::row_t, ss::col_t, double) override { ++cells; }
    void set_bool(ss::row_t, ss::col_t, bool) override { ++cells; }
    void set_date_time(ss::row_t, ss::col_t, int, int, int, int, int, double) override { ++cells; }
    void set_format(ss::row_t, ss::col_t, size_t) override {}
    void set_format(ss::row_t, ss::col_t, ss::row_t, ss::col_t, size_t) override {}
    void fill_down_cells(ss::row_t, ss::col_t, ss::row_t) override {}
    ss::range_size_t get_sheet_size() const override { return {1048576, 16384}; }
};

// Cell addresses in A1 form, as orcus hands them over for every cell.
class Resolver : public ss::iface::import_reference_resolver {
public:
    ss::src_address_t resolve_address(std::string_view a) override
    {
        ss::src_address_t out{0, 0, 0};
        size_t i = 0;
        for (; i < a.size() && a[i] >= 'A' && a[i] <= 'Z'; ++i)
            out.column = out.column * 26 + (a[i] - 'A' + 1);
        for (; i < a.size() && a[i] >= '0' && a[i] <= '9'; ++i)
            out.row = out.row * 10 + (a[i] - '0');
        out.column -= 1;
        out.row -= 1;
        return out;
    }
    ss::src_range_t resolve_range(std::string_view r) override
    {
        const size_t colon = r.find(':');
        const auto first = resolve_address(r.substr(0, colon));
        return {first, colon == std::string_view::npos ? first : resolve_address(r.substr(colon + 1))};
    }
};

class Factory : public ss::iface::import_factory {
public:
    Strings strings;
    Resolver resolver;
    std::vector<std::unique_ptr<Sheet>> sheets;
    std::vector<std::string> names;
    ss::iface::import_shared_strings *get_shared_strings() override { return &strings; }
    ss::iface::import_reference_resolver *get_reference_resolver(ss::formula_ref_context_t) override { return &resolver; }
    ss::iface::import_sheet *append_sheet(ss::sheet_t, std::string_view name) override
    {
        sheets.push_back(std::make_unique<Sheet>());
        names.emplace_back(name);
        return sheets.back().get();
    }
    ss::iface::import_sheet *get_sheet(std::string_view name) override
    {
        for (size_t i = 0; i < names.size(); ++i)
            if (names[i] == name)
                return sheets[i].get();
        return nullptr;
    }
    ss::iface::import_sheet *get_sheet(ss::sheet_t index) override
    {
        return index >= 0 && size_t(index) < sheets.size() ? sheets[size_t(index)].get() : nullptr;
    }
    void finalize() override {}
};

} // namespace

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: orcus-load FILE\n");
        return 2;
    }
    std::ifstream in(argv[1], std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    Factory factory;
    orcus::orcus_xlsx reader(&factory);
    reader.read_stream(bytes);
    size_t cells = 0;
    for (const auto &s : factory.sheets)
        cells += s->cells;
    std::fprintf(stderr, "%zu cells, %zu shared strings\n", cells, factory.strings.count);
    return 0;
}
