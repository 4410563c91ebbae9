// Registry contents: the check bytes of the containers the platform's
// FFmpeg splitter opens, written from each format's published signature.
#include "platform/win32/MediaTypeCheckBytes.h"

namespace tavorin::win32 {

const std::vector<MediaTypeCheckBytes>& MediaTypeCheckBytesTable() {
  static const std::vector<MediaTypeCheckBytes> table = {
      // AVI: a RIFF file of form "AVI ".
      {"{E436EB88-524F-11CE-9F53-0020AF0BA770}", {"0,4,,52494646,8,4,,41564920"}},
      // WAVE: RIFF or its 64-bit successor RF64, form "WAVE".
      {"{E436EB8B-524F-11CE-9F53-0020AF0BA770}",
       {"0,4,,52494646,8,4,,57415645", "0,4,,52463634,8,4,,57415645"}},
      // MPEG-1 system stream: a pack header whose fifth byte starts with the
      // bits 0010, with the marker bits of its clock reference and mux rate.
      {"{E436EB84-524F-11CE-9F53-0020AF0BA770}",
       {"0,12,FFFFFFFFF100010001800001,000001BA2100010001800001"}},
      // MPEG-2 program stream: the pack header starts with the bits 01 and
      // carries markers in bytes 4, 6, 8, 9 and 12.
      {"{E06D8022-DB46-11CF-B4D1-00805F6CBBEA}",
       {"0,13,FFFFFFFFC40004000401000003,000001BA440004000401000003"}},
      // MPEG-2 transport stream: sync bytes 188 apart, or 192 apart with the
      // 4-byte time code of recorded streams in front.
      {"{E06D8023-DB46-11CF-B4D1-00805F6CBBEA}", {"0,1,,47,188,1,,47", "4,1,,47,196,1,,47"}},
      // ISO base media (MP4, and QuickTime files that start with "ftyp").
      {"{08E22ADA-B715-45ED-9D20-7B87750301D4}", {"4,4,,66747970"}},
      // Older QuickTime files start with a movie, data or padding atom.
      {"{E436EB89-524F-11CE-9F53-0020AF0BA770}",
       {"4,4,,6D6F6F76", "4,4,,6D646174", "4,4,,77696465", "4,4,,66726565", "4,4,,736B6970"}},
      // Matroska and WebM: the EBML header element.
      {"{1AC0BEBD-4D2B-45AD-BCEB-F2C41C5E3788}", {"0,4,,1A45DFA3"}},
      // Ogg: the capture pattern "OggS" of the first page.
      {"{D2855FA9-61A7-4DB0-B979-71F297C17A04}", {"0,4,,4F676753"}},
      // ASF: the header object's GUID in its stored byte order.
      {"{3DB80F90-9412-11D1-ADED-0000F8754B99}", {"0,16,,3026B2758E66CF11A6D900AA0062CE6C"}},
      // FLV: "FLV" and version 1.
      {"{F2FAC0F1-3852-4670-AAC0-9051D400AC54}", {"0,4,,464C5601"}},
  };
  return table;
}

}  // namespace tavorin::win32
