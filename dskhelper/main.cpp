// vellum-dsk IMAGE TYPE: reads a Teledisk or CopyQM image through libdsk and
// writes what it holds to stdout for Vellum, which runs it as a separate
// process so a fault in the library on a bad file ends only this process.
// The output:
//   vellum-dsk 1
//   comment HEX                      the image's comment, hex-coded
//   track CYLINDER HEAD BYTES COUNT  then COUNT lines "ID STATE", STATE one of
//                                    g(ood) d(eleted) e(rror) u(nreadable),
//                                    then COUNT sectors of BYTES bytes
//   end
// or "error TEXT" and exit status 1.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include <libdsk.h>

namespace {

constexpr int kExitFailure = 1;
constexpr dsk_pcyl_t kMostCylinders = 86;
constexpr size_t kMostSectorBytes = 8192;

void quiet(const char*) {}
void quietEnd() {}

int fail(const std::string& text)
{
    std::printf("error %s\n", text.c_str());
    return kExitFailure;
}

struct Sector {
    DSK_FORMAT id;
    char state;
    std::vector<unsigned char> data;
};

char stateOf(dsk_err_t status, int deleted)
{
    if (status == DSK_ERR_DATAERR)
        return 'e';
    if (status != DSK_ERR_OK)
        return 'u';
    return deleted ? 'd' : 'g';
}

// The sector IDs of a track as the image keeps them, or the geometry's when the driver does not say.
std::vector<DSK_FORMAT> trackIds(DSK_PDRIVER drive, const DSK_GEOMETRY& g, dsk_pcyl_t cyl, dsk_phead_t head, bool& present)
{
    dsk_psect_t count = 0;
    DSK_FORMAT* found = nullptr;
    const dsk_err_t status = dsk_ptrackids(drive, &g, cyl, head, &count, &found);
    std::vector<DSK_FORMAT> ids;
    present = status == DSK_ERR_OK || status == DSK_ERR_NOTIMPL;
    if (status == DSK_ERR_OK && found)
        ids.assign(found, found + count);
    else if (status == DSK_ERR_NOTIMPL)
        for (dsk_psect_t s = 0; s < g.dg_sectors; ++s)
            ids.push_back(DSK_FORMAT{cyl, head, g.dg_secbase + s, g.dg_secsize});
    dsk_free(found);
    return ids;
}

void writeTrack(DSK_PDRIVER drive, const DSK_GEOMETRY& g, dsk_pcyl_t cyl, dsk_phead_t head,
                const std::vector<DSK_FORMAT>& ids)
{
    const size_t bytes = ids.empty() ? g.dg_secsize : ids.front().fmt_secsize;
    std::vector<Sector> sectors;
    for (const DSK_FORMAT& id : ids) {
        Sector s{id, 'u', std::vector<unsigned char>(bytes)};
        int deleted = 0;
        if (id.fmt_secsize == bytes && bytes <= kMostSectorBytes)
            s.state = stateOf(dsk_xread(drive, &g, s.data.data(), cyl, head, id.fmt_cylinder, id.fmt_head,
                                        id.fmt_sector, bytes, &deleted),
                              deleted);
        sectors.push_back(std::move(s));
    }
    // A track of mixed sizes shows the size of another sector, which Vellum refuses.
    size_t shown = bytes;
    for (const Sector& s : sectors)
        if (s.id.fmt_secsize != bytes)
            shown = s.id.fmt_secsize;
    std::printf("track %u %u %zu %zu\n", cyl, head, shown, sectors.size());
    for (const Sector& s : sectors)
        std::printf("%u %c\n", s.id.fmt_sector, s.state);
    for (const Sector& s : sectors) {
        std::vector<unsigned char> out = s.data;
        out.resize(shown);
        std::fwrite(out.data(), 1, out.size(), stdout);
    }
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 3)
        return fail("usage: vellum-dsk IMAGE tele|copyqm");
    DSK_PDRIVER drive = nullptr;
    dsk_reportfunc_set(quiet, quietEnd);
    dsk_err_t status = dsk_open(&drive, argv[1], argv[2], nullptr);
    if (status != DSK_ERR_OK) {
        // libdsk's texts end in a full stop, which the message adds itself.
        std::string why = dsk_strerror(status);
        while (!why.empty() && why.back() == '.')
            why.pop_back();
        return fail("libdsk refuses it: " + why);
    }
    DSK_GEOMETRY g{};
    if (dsk_getgeom(drive, &g) != DSK_ERR_OK)
        dg_stdformat(&g, FMT_1440K, nullptr, nullptr);
    char* comment = nullptr;
    std::printf("vellum-dsk 1\ncomment ");
    if (dsk_get_comment(drive, &comment) == DSK_ERR_OK && comment)
        for (const char* c = comment; *c; ++c)
            std::printf("%02X", static_cast<unsigned char>(*c));
    std::printf("\n");
    const dsk_pcyl_t cylinders = g.dg_cylinders ? g.dg_cylinders : kMostCylinders;
    for (dsk_pcyl_t cyl = 0; cyl < cylinders && cyl < kMostCylinders; ++cyl)
        for (dsk_phead_t head = 0; head < g.dg_heads; ++head) {
            bool present = false;
            const std::vector<DSK_FORMAT> ids = trackIds(drive, g, cyl, head, present);
            if (present)
                writeTrack(drive, g, cyl, head, ids);
        }
    std::printf("end\n");
    dsk_close(&drive);
    return 0;
}
