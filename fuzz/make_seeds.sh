#!/usr/bin/env bash
# Remakes the seed inputs in fuzz/seeds: slices of the sample novels and the bundled
# read-me book, settings files, hand-off requests, and pictures made here with ImageMagick.
# Usage: fuzz/make_seeds.sh [CORPUS_FOLDER]   (default: the repository's tests/corpus)
set -euo pipefail
cd "$(dirname "$0")"
corpus=${1:-../tests/corpus}
[ -d "$corpus" ] || { echo "no sample novels in $corpus" >&2; exit 1; }
seeds=seeds
rm -rf "$seeds"
mkdir -p "$seeds"/{aozora_notes_fuzz,format_fuzz,render_fuzz,profile_fuzz,bmp_fuzz,jpeg_fuzz,png_fuzz,zip_fuzz,handoff_fuzz,gaiji_fuzz}

python3 - "$corpus" "$seeds" <<'PY'
import os, struct, sys
corpus, seeds = sys.argv[1], sys.argv[2]

def put(target, name, data):
    with open(os.path.join(seeds, target, name), "wb") as f:
        f.write(data)

def text_slice(path, size):
    data = open(path, "rb").read()[:size]
    return data[: data.rfind(b"\r\n") + 2] if b"\r\n" in data else data

def sjis(s):
    return s.encode("cp932")

books = ["kumo_no_ito.txt", "rashomon.txt", "lemon.txt", "hashire_merosu.txt"]
markup = sjis("題名\r\n作者\r\n｜吾輩《わがはい》は猫［＃「猫」に傍点］である［＃注釈です］。\r\n"
              "<IMG \"a.bmp\" FULL TOP>\r\n<SKIP>\r\n「」、。ー…（）《》］＃\r\n") + b"ab\x81\r\n"
# format: RowCount, RowBytes (each - 8 + byte % 128), flags (ruby, annotations).
for i, b in enumerate(books):
    put("format_fuzz", "book%d" % i, bytes([18, 58, 3]) + text_slice(os.path.join(corpus, b), 3000))
put("format_fuzz", "markup", bytes([14, 30, 3]) + markup)
put("format_fuzz", "readme", bytes([18, 58, 3]) + open("../data/readme2.txt", "rb").read())
# aozora notes: RowCount, RowBytes, ruby flag, then a book of layout annotations.
aozora = sjis("題\r\n［＃ここから２字下げ、折り返して３字下げ］\r\n一、長い行です。長い行です。\r\n"
              "［＃ここで字下げ終わり］\r\n［＃地から３字上げ］日付\r\n拝具［＃地付き］名\r\n"
              "［＃ここから地付き］\r\n署名\r\n［＃ここで地付き終わり］\r\n［＃ここから５字詰め］\r\n"
              "あいうえおかきくけこ\r\n［＃ここで字詰め終わり］\r\n前［＃１段階小さな文字］注［＃小さな文字終わり］\r\n"
              "［＃ここから２段階大きな文字］\r\n大\r\n［＃ここで大きな文字終わり］\r\n本の題［＃「題」はキャプション］\r\n"
              "［＃改丁］\r\n［＃ページの左右中央］\r\n扉\r\n［＃改見開き］\r\n"
              "［＃挿絵１（fig1.png、横32×縦12）入る］\r\n一［＃「一」は同行中見出し］\r\nあ《い\r\nう［＃え\r\n")
put("aozora_notes_fuzz", "layout", bytes([12, 28, 1]) + aozora)
put("aozora_notes_fuzz", "narrow", bytes([11, 14, 1]) + aozora)
put("aozora_notes_fuzz", "note", bytes([9, 9, 0]) + sjis("ここから２字下げ、地から３字下げ"))
# inline annotations with the Aozora notes on: every form, ranges over rows and lines.
inline = sjis("題\r\n12［＃「12」は縦中横］月25日!?［＃縦中横］1［＃縦中横終わり］\r\n"
              "｜漢字《かんじ》［＃「漢字」に白ゴマ傍点］［＃傍線］あいうえおかきくけこ［＃傍線終わり］\r\n"
              "［＃ここから太字］\r\n太［＃「太」の左に波線］\r\n［＃ここで太字終わり］［＃蛇の目傍点］\r\n")
put("format_fuzz", "inline", bytes([12, 14, 7]) + inline)
# render: RowCount, RowBytes, flags, FontSpace, page, width - 40, height - 30.
for i, b in enumerate(books[:2]):
    put("render_fuzz", "book%d" % i,
        bytes([18, 58, 0x3F, 8, 9, 200, 150]) + text_slice(os.path.join(corpus, b), 2000))
put("render_fuzz", "markup", bytes([14, 30, 0x07, 18, 9, 160, 120]) + markup)
put("render_fuzz", "cover", bytes([18, 58, 0x03, 8, 7, 100, 80]) + markup)
put("render_fuzz", "inline", bytes([12, 14, 0x43, 18, 9, 160, 120]) + inline)
# gaiji: the encoding to decode in, then the text.
gaiji = (sjis("※［＃「てへん＋劣」、第3水準1-84-77］と［＃「口＋世」、U+546D、35-4］\r\n"
              "※［＃「か」に半濁点、1-4-87］［＃「彳＋寺」］\r\n") + b"\xf0\x40\r\n")
put("gaiji_fuzz", "sjis", bytes([0]) + gaiji)
put("gaiji_fuzz", "utf8", bytes([1]) + "森鷗外と𠮷野、剝製※［＃「にんべん＋參」、第4水準2-1-79］\n".encode())
put("gaiji_fuzz", "kumo", bytes([0]) + text_slice(os.path.join(corpus, "kumo_no_ito.txt"), 4000))
# profile: section, key, value length, value, then the file.
ini = (b"[Mirvo]\r\nLast=/home/a/\xe6\x9c\xac.txt\r\nCurrentPage=7\r\nClipCount=2\r\nClip1=5\r\n"
       b"Clip2=3\r\n[Config]\r\nRowCount=10\r\nCharCount=25\r\nFontName=\"@\xef\xbc\xad\xef\xbc\xb3 "
       b"\xe3\x82\xb4\xe3\x82\xb7\xe3\x83\x83\xe3\x82\xaf\"\r\nPageColor=$00C0FFEE\r\n; comment\r\n")
put("profile_fuzz", "global", bytes([0, 0, 12]) + b"/home/b/x.txt" [:12] + ini)
put("profile_fuzz", "cp932", bytes([1, 1, 2]) + b"12" + sjis("[Config]\r\nFontName=@ＭＳ 明朝\r\nRowCount=8"))
put("profile_fuzz", "bytes", bytes([0, 0, 6]) + b"/\x82\xa0.tx" + b"\xef\xbb\xbf[Mirvo]\nLast=\xef\xb7\x9082\n")
put("profile_fuzz", "empty", bytes([1, 2, 0]))
# hand-off: piece size, then requests.
def frame(p):
    return struct.pack(">I", len(p)) + p
put("handoff_fuzz", "path", bytes([3]) + frame(b"/home/a/book.txt"))
put("handoff_fuzz", "none", bytes([0]) + frame(b""))
put("handoff_fuzz", "cp932", bytes([1]) + frame(b"/home/a/\x82\xa0.txt") + b"extra")
put("handoff_fuzz", "long", bytes([63]) + frame(b"/" + b"a" * 4095))
PY

# Pictures: one small drawing in the forms BMP, JPEG and PNG files come in.
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
convert -size 23x17 gradient:red-blue -fill white -draw "rectangle 3,3 9,12" "$tmp/p.png"
convert "$tmp/p.png" -compress None BMP3:"$seeds/bmp_fuzz/rgb24.bmp"
convert "$tmp/p.png" -compress None BMP:"$seeds/bmp_fuzz/v5.bmp"
convert "$tmp/p.png" -colors 200 -compress None BMP3:"$seeds/bmp_fuzz/pal8.bmp"
convert "$tmp/p.png" -colors 200 -compress RLE BMP3:"$seeds/bmp_fuzz/rle8.bmp"
convert "$tmp/p.png" -colors 16 -compress None BMP3:"$seeds/bmp_fuzz/pal4.bmp"
convert "$tmp/p.png" -monochrome BMP3:"$seeds/bmp_fuzz/mono.bmp"
convert "$tmp/p.png" -alpha set -define bmp:format=bmp4 BMP:"$seeds/bmp_fuzz/rgba32.bmp"
convert "$tmp/p.png" -define bmp:subtype=RGB565 BMP:"$seeds/bmp_fuzz/rgb565.bmp"
convert "$tmp/p.png" BMP2:"$seeds/bmp_fuzz/core.bmp"
# RLE4 is not written by ImageMagick: 4 x 2, a run, a literal and a delta.
python3 - "$seeds/bmp_fuzz/rle4.bmp" <<'PY'
import struct, sys
pal = b"\xff\xff\xff\0" + b"\0\0\xff\0" + b"\0\xff\0\0" + b"\xff\0\0\0"
data = bytes([4, 0x12, 0, 0, 0, 3, 0x12, 0x30, 0, 2, 1, 0, 0, 1])
head = struct.pack("<IiiHHIIiiII", 40, 4, 2, 1, 4, 2, len(data), 2835, 2835, 4, 0)
off = 14 + len(head) + len(pal)
open(sys.argv[1], "wb").write(b"BM" + struct.pack("<IHHI", off + len(data), 0, 0, off) + head + pal + data)
PY
convert "$tmp/p.png" -quality 80 "$seeds/jpeg_fuzz/baseline.jpg"
convert "$tmp/p.png" -quality 60 -interlace Plane "$seeds/jpeg_fuzz/progressive.jpg"
convert "$tmp/p.png" -colorspace Gray "$seeds/jpeg_fuzz/grey.jpg"
convert "$tmp/p.png" -colorspace CMYK "$seeds/jpeg_fuzz/cmyk.jpg"
convert "$tmp/p.png" -sampling-factor 1x1 -define jpeg:restart-interval=1 "$seeds/jpeg_fuzz/restart.jpg"
# Arithmetic coding (ImageMagick cannot write it): through libjpeg itself.
cat >"$tmp/arith.c" <<'C'
#include <stdio.h>
#include <jpeglib.h>
int main(int argc, char** argv) {
    struct jpeg_compress_struct c;
    struct jpeg_error_mgr e;
    unsigned char row[3 * 23];
    FILE* f = fopen(argv[1], "wb");
    c.err = jpeg_std_error(&e);
    jpeg_create_compress(&c);
    jpeg_stdio_dest(&c, f);
    c.image_width = 23, c.image_height = 17, c.input_components = 3, c.in_color_space = JCS_RGB;
    jpeg_set_defaults(&c);
    c.arith_code = TRUE;
    jpeg_start_compress(&c, TRUE);
    while (c.next_scanline < c.image_height) {
        JSAMPROW p = row;
        for (int x = 0; x < 3 * 23; ++x) row[x] = (unsigned char)(x * 11 + c.next_scanline * 9);
        jpeg_write_scanlines(&c, &p, 1);
    }
    jpeg_finish_compress(&c);
    fclose(f);
    return 0;
}
C
cc "$tmp/arith.c" -o "$tmp/arith" -ljpeg && "$tmp/arith" "$seeds/jpeg_fuzz/arith.jpg"
convert "$tmp/p.png" PNG24:"$seeds/png_fuzz/rgb8.png"
convert "$tmp/p.png" -colors 12 PNG8:"$seeds/png_fuzz/palette.png"
convert "$tmp/p.png" -colorspace Gray -depth 16 PNG:"$seeds/png_fuzz/grey16.png"
convert "$tmp/p.png" -alpha set -channel A -evaluate set 50% PNG32:"$seeds/png_fuzz/rgba.png"
convert "$tmp/p.png" -interlace PNG -depth 16 PNG48:"$seeds/png_fuzz/interlaced48.png"
convert "$tmp/p.png" -monochrome PNG:"$seeds/png_fuzz/mono.png"
# Archives: a book beside its pictures, in a folder, with a Japanese name, stored, and with
# the sizes and flags that must be refused.
python3 - "$seeds/zip_fuzz" "$seeds/png_fuzz/rgb8.png" <<'PY'
import io, os, struct, sys, zipfile
out, png = sys.argv[1], open(sys.argv[2], "rb").read()
text = "蜘蛛の糸\r\n芥川龍之介\r\n<IMG \"fig1.png\">\r\n本文です。\r\n".encode("cp932")
def archive(name, members, method=zipfile.ZIP_DEFLATED):
    buf = io.BytesIO()
    with zipfile.ZipFile(buf, "w", method) as z:
        for n, data in members:
            z.writestr(n, data)
    data = buf.getvalue()
    open(os.path.join(out, name), "wb").write(data)
    return data
archive("plain", [("kumo.txt", text), ("fig1.png", png)])
archive("folder", [("kumo/", b""), ("kumo/kumo.txt", text), ("kumo/fig1.png", png)])
archive("stored", [("b.txt", b"first"), ("a.txt", text)], zipfile.ZIP_STORED)
data = archive("japanese", [("kumo.txt", text), ("挿絵.png", png)])
lying = bytearray(data)
lying[lying.find(b"PK\1\2") + 24:lying.find(b"PK\1\2") + 28] = struct.pack("<I", 1 << 30)
open(os.path.join(out, "lying"), "wb").write(bytes(lying))
crypt = bytearray(data)
crypt[crypt.find(b"PK\1\2") + 8] |= 1
crypt[crypt.find(b"PK\3\4") + 6] |= 1
open(os.path.join(out, "encrypted"), "wb").write(bytes(crypt))
PY
ls "$seeds"/* | wc -l
