// A small angular stroke font for the incoming-text letters and for the labels
// of the contact sheet. Design box: x 0..4, y 0..6 (y down); corners are cut by
// one unit so that round shapes become octagons.
#include "artwork.h"

namespace artgen {

namespace {

using S = Stroke;

S Open(std::initializer_list<float> p) { return S{std::vector<float>(p), false}; }
S Closed(std::initializer_list<float> p) { return S{std::vector<float>(p), true}; }

// A square dot with its top-left corner at (x, y).
S Dot(float x, float y) { return Closed({x, y, x + 0.4f, y, x + 0.4f, y + 0.5f, x, y + 0.5f}); }

S Octagon() { return Closed({1, 0, 3, 0, 4, 1, 4, 5, 3, 6, 1, 6, 0, 5, 0, 1}); }

}  // namespace

std::vector<Stroke> LetterStrokes(int code) {
  switch (code) {
    case '"': return {Open({1.2f, 0, 1.2f, 1.6f}), Open({2.8f, 0, 2.8f, 1.6f})};
    case '\'': return {Open({2, 0, 2, 1.6f})};
    case '(': return {Open({2.8f, 0, 1.4f, 1.4f, 1.4f, 4.6f, 2.8f, 6})};
    case ')': return {Open({1.2f, 0, 2.6f, 1.4f, 2.6f, 4.6f, 1.2f, 6})};
    case '*': return {Open({2, 1, 2, 5}), Open({0.4f, 2, 3.6f, 4}), Open({3.6f, 2, 0.4f, 4})};
    case '+': return {Open({2, 1.4f, 2, 4.6f}), Open({0.4f, 3, 3.6f, 3})};
    case ',': return {Open({2.2f, 4.6f, 2.2f, 5.6f, 1.6f, 6.1f})};
    case '.': return {Dot(1.8f, 5.5f)};
    case '/': return {Open({4, 0, 0, 6})};
    case '0': return {Octagon(), Open({2.8f, 1.6f, 1.2f, 4.4f})};
    case '1': return {Open({0.8f, 1.2f, 2, 0, 2, 6}), Open({0.8f, 6, 3.2f, 6})};
    case '2': return {Open({0, 1, 1, 0, 3, 0, 4, 1, 4, 2.2f, 0, 5.4f, 0, 6, 4, 6})};
    case '3':
      return {Open({0, 1, 1, 0, 3, 0, 4, 1, 4, 2, 3, 3, 1.4f, 3}),
              Open({3, 3, 4, 4, 4, 5, 3, 6, 1, 6, 0, 5})};
    case '4': return {Open({3, 6, 3, 0, 0, 4, 0, 4.2f, 4, 4.2f})};
    case '5': return {Open({4, 0, 0, 0, 0, 2.8f, 3, 2.8f, 4, 3.8f, 4, 5, 3, 6, 0, 6})};
    case '6': return {Open({3.6f, 0, 1, 0, 0, 1, 0, 5, 1, 6, 3, 6, 4, 5, 4, 4, 3, 3, 0, 3})};
    case '7': return {Open({0, 0, 4, 0, 4, 1, 1.6f, 6})};
    case '8':
      return {Closed({1, 0, 3, 0, 4, 1, 4, 2, 3, 3, 1, 3, 0, 2, 0, 1}),
              Closed({1, 3, 3, 3, 4, 4, 4, 5, 3, 6, 1, 6, 0, 5, 0, 4})};
    case '9': return {Open({4, 3, 1, 3, 0, 2, 0, 1, 1, 0, 3, 0, 4, 1, 4, 5, 3, 6, 0.4f, 6})};
    case ':': return {Dot(1.8f, 1.4f), Dot(1.8f, 5.5f)};
    case ';': return {Dot(1.8f, 1.4f), Open({2.2f, 4.6f, 2.2f, 5.6f, 1.6f, 6.1f})};
    case '<': return {Open({4, 0.6f, 0, 3, 4, 5.4f})};
    case '=': return {Open({0, 2, 4, 2}), Open({0, 4, 4, 4})};
    case '>': return {Open({0, 0.6f, 4, 3, 0, 5.4f})};
    case '?': return {Open({0, 1, 1, 0, 3, 0, 4, 1, 4, 2, 2, 3.4f, 2, 4.2f}), Dot(1.8f, 5.5f)};
    case 'A': return {Open({0, 6, 0, 1, 1, 0, 3, 0, 4, 1, 4, 6}), Open({0, 3.4f, 4, 3.4f})};
    case 'B':
      return {Closed({0, 0, 3, 0, 4, 1, 4, 2, 3, 3, 4, 4, 4, 5, 3, 6, 0, 6}), Open({0, 3, 3, 3})};
    case 'C': return {Open({4, 0, 1, 0, 0, 1, 0, 5, 1, 6, 4, 6})};
    case 'D': return {Closed({0, 0, 3, 0, 4, 1, 4, 5, 3, 6, 0, 6})};
    case 'E': return {Open({4, 0, 0, 0, 0, 6, 4, 6}), Open({0, 3, 3, 3})};
    case 'F': return {Open({4, 0, 0, 0, 0, 6}), Open({0, 3, 3, 3})};
    case 'G': return {Open({4, 1, 3, 0, 1, 0, 0, 1, 0, 5, 1, 6, 3, 6, 4, 5, 4, 3.2f, 2.2f, 3.2f})};
    case 'H': return {Open({0, 0, 0, 6}), Open({4, 0, 4, 6}), Open({0, 3, 4, 3})};
    case 'I': return {Open({1, 0, 3, 0}), Open({2, 0, 2, 6}), Open({1, 6, 3, 6})};
    case 'J': return {Open({1.6f, 0, 4, 0, 4, 5, 3, 6, 1, 6, 0, 5})};
    case 'K': return {Open({0, 0, 0, 6}), Open({4, 0, 1, 3, 0, 3}), Open({1, 3, 4, 6})};
    case 'L': return {Open({0, 0, 0, 6, 4, 6})};
    case 'M': return {Open({0, 6, 0, 0, 2, 3, 4, 0, 4, 6})};
    case 'N': return {Open({0, 6, 0, 0, 4, 6, 4, 0})};
    case 'O': return {Octagon()};
    case 'P': return {Open({0, 6, 0, 0, 3, 0, 4, 1, 4, 2.2f, 3, 3.2f, 0, 3.2f})};
    case 'Q': return {Octagon(), Open({2.4f, 4.2f, 4, 6.2f})};
    case 'R': return {Open({0, 6, 0, 0, 3, 0, 4, 1, 4, 2.2f, 3, 3.2f, 0, 3.2f}), Open({2, 3.2f, 4, 6})};
    case 'S':
      return {Open({4, 1, 3, 0, 1, 0, 0, 1, 0, 2, 1, 3, 3, 3, 4, 4, 4, 5, 3, 6, 1, 6, 0, 5})};
    case 'T': return {Open({0, 0, 4, 0}), Open({2, 0, 2, 6})};
    case 'U': return {Open({0, 0, 0, 5, 1, 6, 3, 6, 4, 5, 4, 0})};
    case 'V': return {Open({0, 0, 0, 2.6f, 2, 6, 4, 2.6f, 4, 0})};
    case 'W': return {Open({0, 0, 0.6f, 6, 2, 2.4f, 3.4f, 6, 4, 0})};
    case 'X': return {Open({0, 0, 4, 6}), Open({4, 0, 0, 6})};
    case 'Y': return {Open({0, 0, 2, 3, 4, 0}), Open({2, 3, 2, 6})};
    case 'Z': return {Open({0, 0, 4, 0, 4, 0.6f, 0, 5.4f, 0, 6, 4, 6})};
    case '\\': return {Open({0, 0, 4, 6})};
    default: return {};
  }
}

}  // namespace artgen
