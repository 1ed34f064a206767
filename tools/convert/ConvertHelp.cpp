#include "tools/convert/ConvertArguments.h"

namespace quillon::convert {

std::string ConvertHelpText() {
  return R"(Usage:
  quillon-convert [OPTIONS] INPUT OUTPUT     convert; the type of OUTPUT comes from its extension
  quillon-convert [LOAD OPTIONS] --info FILE
                                             size, colour depth, format and, for compressed
                                             files, the compression ratio
  quillon-convert [LOAD OPTIONS] --compare REFERENCE FILE
                                             MAE, MSE, RMS, SNR, PSNR and SSIM of FILE
                                             against REFERENCE over their common top-left
                                             area (SSIM: luminance, Gaussian window 11 x 11,
                                             sigma 1.5)
  quillon-convert [LOAD OPTIONS] --count-colours FILE
                                             the number of distinct colours of FILE
  quillon-convert [OPTIONS] -o DIR --to TYPE INPUT...
                                             convert many files into DIR, each named after its
                                             input with the extension TYPE
  quillon-convert --thumbnail SIZE INPUT OUTPUT
                                             the picture fitted into SIZE x SIZE pixels
                                             (1 to 16384; never enlarged), each pixel the
                                             mean of those it covers; JPEG 2000 and KVF
                                             inputs are decoded only at the size needed
  quillon-convert --help                     this text

Inputs are recognised by their contents: BMP, PGM, PPM, TIFF, JPEG, PNG, KVF and JPEG 2000
(JP2 and JPX files, raw codestreams). JPEG 2000 inputs become 8-bit grey or 24-bit colour
pictures: deeper samples keep their top 8 bits, and opacity and extra channels are left out.
PNG, TIFF and BMP inputs with opacity are composited over mid grey (128, 128, 128); their
deeper samples are rounded to 8 bits.

Output types by extension (case is ignored):
  .jp2                JPEG 2000, JP2 file          .kvf          KVF wavelet file
  .jpx .jpf           JPEG 2000, JPX file          .bmp          Windows bitmap
  .j2k .j2c .jpc      JPEG 2000 raw codestream     .ppm .pgm     portable pixmap / greymap
  .tif .tiff          TIFF                         .jpg .jpeg    JPEG
  .png                PNG
A PGM output of a colour picture is converted to grey first.

Colour conversions of the input before it is saved (one of these):
  --grey                8-bit grey, (77 red + 150 green + 29 blue) / 256; refused for a grey
                        input
  --palette             8-bit palette of at most 256 colours: exact when the input has no
                        more, else by median cut; refused for an 8-bit input
  --smooth STRENGTH     3 x 3 smoothing, STRENGTH low, medium or high
  --sharpen STRENGTH    3 x 3 sharpening, STRENGTH low, medium or high
                        (both repeat the border pixels beyond the edge, keep grey pictures
                        8-bit grey and are refused for 8-bit palette pictures)

Compression of JPEG 2000 and KVF outputs (one of these; the default is --lossless):
  --lossless            keep every sample
  --quality Q           quality from 1 to 100
  --rate R              compression rate 1:R, R at least 1
  --size KB             target file size in kilobytes
  --progression ORDER   JPEG 2000 packet order: quality (default), resolution, position or
                        color (color needs a colour picture)
  --baseline            KVF: baseline instead of embedded scan order
  --password TEXT       KVF: protect the file (1 to 33 characters); the quality above the
                        free quality needs the password
  --free-quality PERCENT
                        KVF: quality anyone may see without the password, 0 to 100 (default
                        50)
  --region X,Y,W,H      enhancement region in pixels from the top-left corner (repeatable,
                        up to 16); the region must lie on the picture
  --enhance LEVEL       enhancement level of the regions, 0 to 10 (default 0)

Expert JPEG 2000 options (each replaces what the writer would choose):
  --levels N            wavelet decomposition levels, 0 to 32
  --layers N            quality layers, 1 to 65535
  --tile WxH            tile size in pixels (default: one tile)
  --codeblock WxH       code-block size, powers of two from 4 to 1024, W times H at most 4096
  --sop                 start-of-packet markers
  --eph                 end-of-packet-header markers
  --visual-weighting N  visual weighting mode, 0 (off) to 3

Other outputs:
  --jpeg-quality Q      JPEG quality from 1 to 100 (default 80)
  --png-level N         PNG compression level from 0 (none) to 9 (smallest; default 6)
  --ascii               PPM/PGM: plain (ASCII) samples instead of binary
  --packbits            TIFF: PackBits compression instead of none
Options that do not concern the output's type are ignored.

Load options (how much of a compressed input to decode; one of the first three):
  --load-quality Q      decode up to quality Q (1 to 100; KVF files of versions 0 and 1 take
                        1 to 15, and above 15 decode whole)
  --load-rate R         decode the bytes of compression rate 1:R
  --load-size KB        decode the first KB kilobytes
  --reduce F            JPEG 2000: decode at 1/2^F of the width and height (F from 0 to 31;
                        smaller when a component would be left empty)
  --password TEXT       password of a protected KVF input; without it the picture opens at
                        the quality free to all
With --compare the load options and the password apply to both files.

Many files (with -o):
  -o DIR, --output-dir DIR
                        write the outputs into DIR (made when missing)
  --to TYPE             their type, as an extension without the dot: jp2, jpx, j2k, kvf, bmp,
                        ppm, pgm, tif, jpg, png
  --jobs N              convert N files at once, 1 to 256 (default: one per processor core)
  Each file is converted in a process of its own and prints its own line; a file that fails
  is reported and the others go on. A last line counts the files converted and failed, and
  the exit status is 1 when any failed.

General:
  --yes                 answer Yes to the questions the writers ask (for example whether to
                        proceed when the result will probably be larger than the input);
                        without it they are answered No and the convert stops
  --threads N           JPEG 2000 worker threads, 1 to 64 (default: one per processor core,
                        shared among the --jobs of a batch); the files and pictures are the
                        same whatever the number
  --                    end of options (for file names that begin with '-')
  Options take their value as the next argument or after '=' (--quality=60).

A convert prints one line: output file, its size, the compression ratio and the time taken.
Progress is shown on standard error when it is a terminal. Messages and errors go to standard
error; the exit status is 0 on success and 1 on any error. The output is written to a
temporary file and renamed over OUTPUT only when complete, so a failed convert leaves an
existing file as it was.
)";
}

}  // namespace quillon::convert
