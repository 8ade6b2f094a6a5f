#include "packager/LzxTrees.h"

#include "packager/Huffman.h"
#include "packager/LzxFormat.h"

namespace LzxTrees {

namespace {

// Pretree symbols: 0 to 16 change a length by minus that much, modulo 17;
// 17 and 18 set runs of 4 to 19 and 20 to 51 lengths to zero; 19 gives a
// run of 4 or 5 lengths one changed value.
struct Token {
    uint8_t symbol;
    uint8_t extraBits;
    uint8_t extra;
    uint8_t change;  // after symbol 19
};

const uint8_t kZeros = 17, kManyZeros = 18, kSame = 19;

uint8_t Change(uint8_t previous, uint8_t length) { return static_cast<uint8_t>((previous + 17 - length) % 17); }

void Tokens(const uint8_t* lengths, const uint8_t* previous, int count, std::vector<Token>& tokens) {
    tokens.clear();
    for (int i = 0; i < count;) {
        uint8_t value = lengths[i];
        int run = 1;
        while (i + run < count && lengths[i + run] == value) ++run;
        if (value == 0 && run >= 4) {
            while (run >= 4) {
                int take = run >= 20 ? (run < 51 ? run : 51) : run;
                if (take >= 20)
                    tokens.push_back(Token{kManyZeros, 5, static_cast<uint8_t>(take - 20), 0});
                else
                    tokens.push_back(Token{kZeros, 4, static_cast<uint8_t>(take - 4), 0});
                i += take;
                run -= take;
            }
        } else if (run >= 4) {
            int take = run < 5 ? run : 5;
            tokens.push_back(Token{kSame, 1, static_cast<uint8_t>(take - 4), Change(previous[i], value)});
            i += take;
        } else {
            tokens.push_back(Token{Change(previous[i], value), 0, 0, 0});
            ++i;
        }
    }
}

struct Pretree {
    uint8_t lengths[Lzx::PretreeSymbols];
    uint16_t codes[Lzx::PretreeSymbols];
};

void BuildPretree(const std::vector<Token>& tokens, Pretree& tree) {
    uint32_t counts[Lzx::PretreeSymbols] = {};
    for (const Token& token : tokens) {
        ++counts[token.symbol];
        if (token.symbol == kSame) ++counts[token.change];
    }
    Huffman::BuildLengths(counts, Lzx::PretreeSymbols, Lzx::MaxPretreeLength, tree.lengths);
    Huffman::BuildCodes(tree.lengths, Lzx::PretreeSymbols, tree.codes);
}

}  // namespace

uint32_t Cost(const uint8_t* lengths, const uint8_t* previous, int count) {
    std::vector<Token> tokens;
    Tokens(lengths, previous, count, tokens);
    Pretree tree;
    BuildPretree(tokens, tree);
    uint32_t bits = Lzx::PretreeSymbols * 4;
    for (const Token& token : tokens) {
        bits += tree.lengths[token.symbol] + token.extraBits;
        if (token.symbol == kSame) bits += tree.lengths[token.change];
    }
    return bits;
}

void Write(LzxBitWriter& out, const uint8_t* lengths, const uint8_t* previous, int count) {
    std::vector<Token> tokens;
    Tokens(lengths, previous, count, tokens);
    Pretree tree;
    BuildPretree(tokens, tree);
    for (int s = 0; s < Lzx::PretreeSymbols; ++s) out.Put(tree.lengths[s], 4);
    for (const Token& token : tokens) {
        out.Put(tree.codes[token.symbol], tree.lengths[token.symbol]);
        if (token.extraBits > 0) out.Put(token.extra, token.extraBits);
        if (token.symbol == kSame) out.Put(tree.codes[token.change], tree.lengths[token.change]);
    }
}

}  // namespace LzxTrees
