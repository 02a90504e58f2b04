// The record types of the Workbook stream that the engine names, and the
// section kinds of a BOF record.
#pragma once

#include <cstdint>

namespace tessary {

// Record types the engine names.
namespace xlsid {
inline constexpr uint16_t FORMULA = 0x0006;
inline constexpr uint16_t EOFREC = 0x000A;
inline constexpr uint16_t CALCCOUNT = 0x000C;
inline constexpr uint16_t CALCMODE = 0x000D;
inline constexpr uint16_t PRECISION = 0x000E;
inline constexpr uint16_t REFMODE = 0x000F;
inline constexpr uint16_t DELTA = 0x0010;
inline constexpr uint16_t ITERATION = 0x0011;
inline constexpr uint16_t PROTECT = 0x0012;
inline constexpr uint16_t PASSWORD = 0x0013;
inline constexpr uint16_t HEADER = 0x0014;
inline constexpr uint16_t FOOTER = 0x0015;
inline constexpr uint16_t EXTERNSHEET = 0x0017;
inline constexpr uint16_t NAME = 0x0018;
inline constexpr uint16_t VERTICALPAGEBREAKS = 0x001A;
inline constexpr uint16_t HORIZONTALPAGEBREAKS = 0x001B;
inline constexpr uint16_t NOTE = 0x001C;
inline constexpr uint16_t SELECTION = 0x001D;
inline constexpr uint16_t DATEMODE = 0x0022;
inline constexpr uint16_t EXTERNNAME2 = 0x0023;
inline constexpr uint16_t LEFTMARGIN = 0x0026;
inline constexpr uint16_t RIGHTMARGIN = 0x0027;
inline constexpr uint16_t TOPMARGIN = 0x0028;
inline constexpr uint16_t BOTTOMMARGIN = 0x0029;
inline constexpr uint16_t PRINTHEADERS = 0x002A;
inline constexpr uint16_t PRINTGRIDLINES = 0x002B;
inline constexpr uint16_t FILEPASS = 0x002F;
inline constexpr uint16_t FONT = 0x0031;
inline constexpr uint16_t CONTINUE = 0x003C;
inline constexpr uint16_t WINDOW1 = 0x003D;
inline constexpr uint16_t PANE = 0x0041;
inline constexpr uint16_t PLS = 0x004D;
inline constexpr uint16_t DCONREF = 0x0051;
inline constexpr uint16_t DCONNAME = 0x0052;
inline constexpr uint16_t DEFCOLWIDTH = 0x0055;
inline constexpr uint16_t XCT = 0x0059;
inline constexpr uint16_t CRN = 0x005A;
inline constexpr uint16_t OBJ = 0x005D;
inline constexpr uint16_t UNCALCED = 0x005E;
inline constexpr uint16_t SAVERECALC = 0x005F;
inline constexpr uint16_t TEMPLATE = 0x0060;
inline constexpr uint16_t OBJPROTECT = 0x0063;
inline constexpr uint16_t COLINFO = 0x007D;
inline constexpr uint16_t GUTS = 0x0080;
inline constexpr uint16_t WSBOOL = 0x0081;
inline constexpr uint16_t GRIDSET = 0x0082;
inline constexpr uint16_t HCENTER = 0x0083;
inline constexpr uint16_t VCENTER = 0x0084;
inline constexpr uint16_t BOUNDSHEET = 0x0085;
inline constexpr uint16_t COUNTRY = 0x008C;
inline constexpr uint16_t PALETTE = 0x0092;
inline constexpr uint16_t STANDARDWIDTH = 0x0099;
inline constexpr uint16_t AUTOFILTERINFO = 0x009D;
inline constexpr uint16_t SCL = 0x00A0;
inline constexpr uint16_t SETUP = 0x00A1;
inline constexpr uint16_t MULRK = 0x00BD;
inline constexpr uint16_t MULBLANK = 0x00BE;
inline constexpr uint16_t OBPROJ = 0x00D3;
inline constexpr uint16_t SXSTREAMID = 0x00D5;
inline constexpr uint16_t RSTRING = 0x00D6;
inline constexpr uint16_t DBCELL = 0x00D7;
inline constexpr uint16_t BOOKBOOL = 0x00DA;
inline constexpr uint16_t SCENPROTECT = 0x00DD;
inline constexpr uint16_t XF = 0x00E0;
inline constexpr uint16_t MERGEDCELLS = 0x00E5;
inline constexpr uint16_t MSODRAWINGGROUP = 0x00EB;
inline constexpr uint16_t MSODRAWING = 0x00EC;
inline constexpr uint16_t MSODRAWINGSELECTION = 0x00ED;
inline constexpr uint16_t PHONETIC = 0x00EF;
inline constexpr uint16_t SST = 0x00FC;
inline constexpr uint16_t LABELSST = 0x00FD;
inline constexpr uint16_t EXTSST = 0x00FF;
inline constexpr uint16_t SUPBOOK = 0x01AE;
inline constexpr uint16_t CONDFMT = 0x01B0;
inline constexpr uint16_t CF = 0x01B1;
inline constexpr uint16_t DVAL = 0x01B2;
inline constexpr uint16_t DCONBIN = 0x01B5;
inline constexpr uint16_t TXO = 0x01B6;
inline constexpr uint16_t HLINK = 0x01B8;
inline constexpr uint16_t CODENAME = 0x01BA;
inline constexpr uint16_t DV = 0x01BE;
inline constexpr uint16_t RECALCID = 0x01C1;
inline constexpr uint16_t DIMENSIONS = 0x0200;
inline constexpr uint16_t BLANK = 0x0201;
inline constexpr uint16_t NUMBER = 0x0203;
inline constexpr uint16_t LABEL = 0x0204;
inline constexpr uint16_t BOOLERR = 0x0205;
inline constexpr uint16_t STRING = 0x0207;
inline constexpr uint16_t ROW = 0x0208;
inline constexpr uint16_t INDEX = 0x020B;
inline constexpr uint16_t ARRAY = 0x0221;
inline constexpr uint16_t EXTERNNAME = 0x0223;
inline constexpr uint16_t DEFAULTROWHEIGHT = 0x0225;
inline constexpr uint16_t TABLE = 0x0236;
inline constexpr uint16_t WINDOW2 = 0x023E;
inline constexpr uint16_t RK = 0x027E;
inline constexpr uint16_t STYLE = 0x0293;
inline constexpr uint16_t FORMAT = 0x041E;
inline constexpr uint16_t SHRFMLA = 0x04BC;
inline constexpr uint16_t HLINKTOOLTIP = 0x0800;
inline constexpr uint16_t WEBPUB = 0x0801;
inline constexpr uint16_t BOF = 0x0809;
inline constexpr uint16_t SHEETEXT = 0x0862;
inline constexpr uint16_t FEATHDR = 0x0867;
inline constexpr uint16_t PLV = 0x088B;
inline constexpr uint16_t HEADERFOOTER = 0x089C;
inline constexpr uint16_t BEGIN = 0x1033;
inline constexpr uint16_t END = 0x1034;
inline constexpr uint16_t FBI = 0x1060;
inline constexpr uint16_t AI = 0x1051;
}  // namespace xlsid

// Section kinds of a BOF record.
inline constexpr uint16_t kBofGlobals = 0x0005;
inline constexpr uint16_t kBofWorksheet = 0x0010;
inline constexpr uint16_t kBofChart = 0x0020;
inline constexpr uint16_t kBiff8Version = 0x0600;

}  // namespace tessary
