// The scroller text. The scroller reads up to the zero byte; the file ends
// with a newline after it so that it stays a proper text file.
#include <stdexcept>

#include "glyphs.h"

namespace glyphs {

std::vector<uint8_t> makeScrollerText() {
    const std::string text =
        "              HEY THERE, AND WELCOME TO QUON!   "
        "A SLICE OF REAL-TIME GOODNESS, FRESH FROM THE OVEN...   "
        "THE WEDGE OF CHEESE YOU SEE SPINNING WAS AGED FOR EXACTLY 24 TRIANGLES "
        "AND SMELLS OF PURE OPENGL.   "
        "NO, THE UFO IS NOT HERE TO ABDUCT IT - IT JUST LIKES TO HOVER AROUND "
        "AND SHOW OFF ITS LIGHTS.   "
        "THE TUNE KEEPS THE BARS BOUNCING, SO TURN IT UP!   "
        "CODE BY THE QUON CREW, PIXELS BY HAND, NO COWS WERE HARMED.   "
        "GREETINGS FLY OUT TO:  PIXEL PIRATES * NIGHTFALL * BYTE BAKERY * COPPER KIDS * "
        "MOONLIGHT CARTEL * LAZY LOOPS * TEAM TOFU * THE SCANLINE SISTERS...   "
        "KEEP THE SCENE ALIVE! SEE YA SOON!";
    if (text.size() != 596) throw std::runtime_error("scroller text must be 596 characters");
    std::vector<uint8_t> out(text.begin(), text.end());
    out.push_back(0);
    out.push_back('\n');
    return out;
}

}  // namespace glyphs
