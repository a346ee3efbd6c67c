#include "cli/Help.h"

namespace pictor::cli {

const std::string& HelpText()
{
    static const std::string text =
        R"(Usage: pictor-cli [OPTIONS] INPUT...
Adjusts and colour-reduces pictures (.bmp .emf .wmf .jpg .jpeg .ico .png .gif)
exactly as the Pictor window does.

  -o, --output FILE        output for a single INPUT
  --out-dir DIR            with several inputs: DIR/<input name without extension>.<ext>
  --ext EXT                extension (format) for --out-dir outputs: bmp, emf, wmf, jpg, jpeg, ico, png,
                           gif
  -j, --jobs N             process inputs on N threads (default: 1); results identical to -j 1
  --threads N              threads inside each step (default: one per core with -j 1, else 1);
                           results identical to --threads 1
  --info                   print one line per input and write nothing:
                           <file>\t<width>\t<height>\t<bits per pixel>\t<palette entries>\t<picture type>
  --quiet                  no progress lines
  -h, --help; --version
Steps, applied in the order given on the command line:
  --bright N               Bright(N)
  --contrast N[:PIVOT]     Contrast(N, PIVOT), PIVOT 127 when omitted
  --gamma G                Gamma(G)            (G a decimal number)
  --enlarge WxH            Enlarge(W, H)
  --shrink WxH             Shrink(W, H)
  --scale P                commit a display scale of P %: Enlarge or Shrink to (width*P div 100) x (height*P div 100),
                           Enlarge above 100, Shrink otherwise, as the scale OK button does
  --turn A                 Turn(A)
  --mirror                 Reverse
  --trim L,T,R,B           Trimming in picture pixels, Right and Bottom inclusive
  --reduce METHOD          octree | mediancut | mediancut-variance | mediancut-diffusion |
                           mediancut-variance-diffusion | fixed-diffusion   (ReduceColors modes 0..5)
                           halftone                (the 8-bit pixel-format conversion of the reduction menu's last item)
  --colors N               after --reduce: a palette of at most N colours instead of 256; octree: 2 to 256,
                           the mediancut methods: a power of two from 2 to 256; not with fixed-diffusion or halftone
  --histogram FILE         write the histogram picture (Scale 2, Shift 2, automatic ceiling) of the current picture
                           to FILE (.bmp or .emf); the picture itself is unchanged

Without --ext, an --out-dir output keeps its input's extension; a missing
--out-dir is created. A metafile or icon becomes a bitmap before the first
step that needs one (--scale keeps a metafile a metafile, re-recorded at the
new size). A step that cannot change the picture (for instance --bright 100,
--turn 360, --reduce on a picture of 8 bits per pixel or fewer) is refused.
Every file is written under a temporary name and renamed when complete.

--info prints the picture after the steps: a bitmap's bits per pixel and
palette entries; 0 bits for a metafile; an icon's shown image's bits per
pixel. A JPEG is read as a 24-bit bitmap. A PNG is read as a bitmap: a
palette PNG at its own depth (2 bits as 4), grey at 8 bits, any other at 24.
A GIF is read as its first frame on a white canvas of the file's screen size,
at 8 bits per pixel; its type is gif (N frames) when the file holds several. A
.gif output needs a picture of 8 bits per pixel or fewer: reduce a deeper one
first.

Exit status: 0 all inputs done; 1 an input could not be read or written or a
step failed; 2 usage error (nothing processed); 3 a step was refused.
With several inputs the status is the worst seen (1 before 3 before 0); a
failed input writes nothing and the others still run.
)";
    return text;
}

std::string VersionText()
{
    return std::string("pictor-cli ") + PICTOR_VERSION + "\n";
}

} // namespace pictor::cli
