// BIFF record identifiers (BIFF5/7 and BIFF8), shared by the .xls reader and writer.
//
// Every record of a Workbook/Book stream starts with a 16-bit id and a 16-bit length; the ids below
// are the ones this program reads or writes. Switches over record ids use these names, never bare
// numbers.
#pragma once

#include <array>
#include <cstdint>

namespace shuhui::formats::biff {

enum class Rec : uint16_t {
    // stream structure
    BOF = 0x0809,
    EOF_ = 0x000A,  // "EOF" is a macro of <cstdio>
    CONTINUE = 0x003C,
    // workbook globals
    BOUNDSHEET = 0x0085,
    CODEPAGE = 0x0042,
    DATEMODE = 0x0022,
    FILEPASS = 0x002F,
    WRITEACCESS = 0x005C,
    INTERFACEHDR = 0x00E1,
    INTERFACEEND = 0x00E2,
    MMS = 0x00C1,
    DSF = 0x0161,
    TABID = 0x013D,
    FNGROUPCOUNT = 0x009C,
    WINDOWPROTECT = 0x0019,
    PROTECT = 0x0012,
    PASSWORD = 0x0013,
    PROT4REV = 0x01AF,
    PROT4REVPASS = 0x01BC,
    BACKUP = 0x0040,
    HIDEOBJ = 0x008D,
    PRECISION = 0x000E,
    REFRESHALL = 0x01B7,
    BOOKBOOL = 0x00DA,
    USESELFS = 0x0160,
    COUNTRY = 0x008C,
    WINDOW1 = 0x003D,
    SST = 0x00FC,
    EXTSST = 0x00FF,
    XF = 0x00E0,
    FONT = 0x0031,
    FORMAT = 0x041E,
    FORMAT_BIFF4 = 0x001E,  // BIFF2-4 and some BIFF5 writers
    PALETTE = 0x0092,
    STYLE = 0x0293,
    EXTERNSHEET = 0x0017,
    SUPBOOK = 0x01AE,
    NAME = 0x0018,
    // sheet substream
    INDEX = 0x020B,
    CALCMODE = 0x000D,
    CALCCOUNT = 0x000C,
    REFMODE = 0x000F,
    ITERATION = 0x0011,
    DELTA = 0x0010,
    SAVERECALC = 0x005F,
    PRINTHEADERS = 0x002A,
    PRINTGRIDLINES = 0x002B,
    GRIDSET = 0x0082,
    GUTS = 0x0080,
    DEFAULTROWHEIGHT = 0x0225,
    WSBOOL = 0x0081,
    HEADER = 0x0014,
    FOOTER = 0x0015,
    HCENTER = 0x0083,
    VCENTER = 0x0084,
    SETUP = 0x00A1,
    DEFCOLWIDTH = 0x0055,
    COLINFO = 0x007D,
    DIMENSIONS = 0x0200,
    DIMENSIONS_BIFF2 = 0x0000,
    ROW = 0x0208,
    DBCELL = 0x00D7,
    WINDOW2 = 0x023E,
    SELECTION = 0x001D,
    PANE = 0x0041,
    MERGEDCELLS = 0x00E5,
    // cells
    BLANK = 0x0201,
    MULBLANK = 0x00BE,
    NUMBER = 0x0203,
    RK = 0x027E,
    RK_BIFF2 = 0x007E,
    MULRK = 0x00BD,
    LABEL = 0x0204,
    LABELSST = 0x00FD,
    RSTRING = 0x00D6,
    BOOLERR = 0x0205,
    FORMULA = 0x0006,
    FORMULA_BIFF4 = 0x0406,
    STRING = 0x0207,
    ARRAY = 0x0221,
    SHRFMLA = 0x04BC,
    TABLEOP = 0x0236,
    // drawing, notes and the rest that is skipped
    NOTE = 0x001C,
    OBJ = 0x005D,
    TXO = 0x01B6,
    MSODRAWING = 0x00EC,
    MSODRAWINGGROUP = 0x00EB,
    MSODRAWINGSELECTION = 0x00ED,
    HLINK = 0x01B8,
    CONDFMT = 0x01B0,
    CF = 0x01B1,
    DVAL = 0x01B2,
    DV = 0x01BE,
};

constexpr uint16_t id(Rec r) {
    return static_cast<uint16_t>(r);
}

// BOF substream types (BOF.dt)
enum class BofType : uint16_t {
    Globals = 0x0005,
    VbModule = 0x0006,
    Worksheet = 0x0010,
    Chart = 0x0020,
    Macro4 = 0x0040,
    Workspace = 0x0100,
};

// BIFF versions in BOF.vers
constexpr uint16_t kBiff8Version = 0x0600;
constexpr uint16_t kBiff5Version = 0x0500;

// The largest record body of BIFF8 (bigger data continues in CONTINUE records).
constexpr uint16_t kMaxRecordBody = 8224;
constexpr uint16_t kMaxRecordBodyBiff5 = 2080;

// The 56 colours of the default palette, colour indices 8 to 63 (0x00RRGGBB).
inline constexpr std::array<uint32_t, 56> kDefaultPalette = {
    0x000000, 0xFFFFFF, 0xFF0000, 0x00FF00, 0x0000FF, 0xFFFF00, 0xFF00FF, 0x00FFFF,
    0x800000, 0x008000, 0x000080, 0x808000, 0x800080, 0x008080, 0xC0C0C0, 0x808080,
    0x9999FF, 0x993366, 0xFFFFCC, 0xCCFFFF, 0x660066, 0xFF8080, 0x0066CC, 0xCCCCFF,
    0x000080, 0xFF00FF, 0xFFFF00, 0x00FFFF, 0x800080, 0x800000, 0x008080, 0x0000FF,
    0x00CCFF, 0xCCFFFF, 0xCCFFCC, 0xFFFF99, 0x99CCFF, 0xFF99CC, 0xCC99FF, 0xFFCC99,
    0x3366FF, 0x33CCCC, 0x99CC00, 0xFFCC00, 0xFF9900, 0xFF6600, 0x666699, 0x969696,
    0x003366, 0x339966, 0x003300, 0x333300, 0x993300, 0x993366, 0x333399, 0x333333,
};

}  // namespace shuhui::formats::biff
