// Record names for messages (see record_stream.h).
#include "formats/xls/record_stream.h"

namespace shuhui::formats::detail::xls {

const char* recordName(uint16_t id) {
    switch (static_cast<Rec>(id)) {
        case Rec::BOF:
            return "BOF";
        case Rec::EOF_:
            return "EOF";
        case Rec::CONTINUE:
            return "CONTINUE";
        case Rec::BOUNDSHEET:
            return "BOUNDSHEET";
        case Rec::CODEPAGE:
            return "CODEPAGE";
        case Rec::DATEMODE:
            return "DATEMODE";
        case Rec::FILEPASS:
            return "FILEPASS";
        case Rec::SST:
            return "SST";
        case Rec::XF:
            return "XF";
        case Rec::FONT:
            return "FONT";
        case Rec::FORMAT:
            return "FORMAT";
        case Rec::FORMAT_BIFF4:
            return "FORMAT";
        case Rec::PALETTE:
            return "PALETTE";
        case Rec::DEFCOLWIDTH:
            return "DEFCOLWIDTH";
        case Rec::COLINFO:
            return "COLINFO";
        case Rec::DIMENSIONS:
            return "DIMENSIONS";
        case Rec::ROW:
            return "ROW";
        case Rec::MERGEDCELLS:
            return "MERGEDCELLS";
        case Rec::BLANK:
            return "BLANK";
        case Rec::MULBLANK:
            return "MULBLANK";
        case Rec::NUMBER:
            return "NUMBER";
        case Rec::RK:
            return "RK";
        case Rec::MULRK:
            return "MULRK";
        case Rec::LABEL:
            return "LABEL";
        case Rec::LABELSST:
            return "LABELSST";
        case Rec::RSTRING:
            return "RSTRING";
        case Rec::BOOLERR:
            return "BOOLERR";
        case Rec::FORMULA:
            return "FORMULA";
        case Rec::FORMULA_BIFF4:
            return "FORMULA";
        case Rec::STRING:
            return "STRING";
        default:
            return "未知";
    }
}

}  // namespace shuhui::formats::detail::xls
