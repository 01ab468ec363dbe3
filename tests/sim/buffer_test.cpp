#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

#include "settings/memory.h"
#include "sim/buffer.h"

namespace {

TEST(GridAllocation, EmptyAndReallocatedGrids) {
    __buffer grid{};
    AllocCodeGrid(grid, 0, 5);
    EXPECT_EQ(-1, PushCellLayer(grid, 0, 0, 1, 1, 1, 1, 0));
    ClearCodeGrid(grid);
    AllocCodeGrid(grid, 3, 2);
    EXPECT_EQ(3u, grid.width);
    EXPECT_EQ(2u, grid.height);
    EXPECT_EQ(0, PushCellLayer(grid, 2, 1, 1, 1, 1, 1, 0));
    EXPECT_EQ(-1, PushCellLayer(grid, 3, 1, 1, 1, 1, 1, 0));
    EXPECT_EQ(1u, GetCellLayer(grid, 2, 1, 0, nullptr, nullptr, nullptr, nullptr, nullptr));  // outputs optional
    FreeCodeGrid(grid);
}

TEST(GridAllocationDeathTest, FailureIsFatalWithTheGridReport) {
    __buffer grid{};
    EXPECT_EXIT(
        {
            FailAllocationAfter(1);
            AllocCodeGrid(grid, 80, 40);
        },
        ::testing::ExitedWithCode(1), "buffer\\.cpp.*15.*__buffer::__buffer\\(int, int\\).*Supplement buffer allocation error");
    EXPECT_EXIT(
        {
            FailAllocationAfter(3);  // the touched-cell list, after both cell arrays
            AllocCodeGrid(grid, 80, 40);
        },
        ::testing::ExitedWithCode(1), "Supplement buffer allocation error");
}

// A plain model of the grid: one row-major array of cells, zero-filled on clear.
struct ModelGrid {
    struct Cell {
        uint8_t used;
        uint32_t count;
        CellLayer layers[32];
    };
    uint32_t w, h;
    std::vector<Cell> cells;
    ModelGrid(uint32_t width, uint32_t height) : w(width), h(height), cells(width * height) {}
    Cell* At(uint32_t c, uint32_t r) { return c < w && r < h ? &cells[r * w + c] : nullptr; }
    void Clear() { std::fill(cells.begin(), cells.end(), Cell{}); }
    int Push(uint32_t c, uint32_t r, const CellLayer& l) {
        Cell* cell = At(c, r);
        if (!cell) return -1;
        if (!cell->used) {
            cell->used = 1;
            cell->count = 1;
            cell->layers[0] = l;
        } else if (cell->count < 32) {
            cell->layers[cell->count++] = l;
        }
        return 0;
    }
    int ClearOne(uint32_t c, uint32_t r) {
        Cell* cell = At(c, r);
        if (!cell) return -1;
        cell->used = 0;
        return 0;
    }
    int Pop(uint32_t c, uint32_t r) {
        Cell* cell = At(c, r);
        if (!cell) return -1;
        if (cell->count > 1)
            --cell->count;
        else if (cell->count == 1)
            cell->used = 0;
        return 0;
    }
    int Set(uint32_t c, uint32_t r, uint32_t i, const CellLayer& l) {
        Cell* cell = At(c, r);
        if (cell && cell->used && i < cell->count) cell->layers[i] = l;
        return 0;
    }
};

void ExpectSameGrid(ModelGrid& model, const __buffer& grid) {
    uint32_t used = 0;
    for (const ModelGrid::Cell& cell : model.cells) used += cell.used;
    ASSERT_EQ(used, CountUsedCells(grid));
    // The visit in storage order yields the used cells' layers and nothing else.
    std::vector<uint32_t> visited(model.cells.size(), 0);
    uint64_t lastCell = 0;
    bool inOrder = true;
    VisitUsedCellLayers(grid, [&](uint32_t c, uint32_t r, const CellLayer& l) {
        ModelGrid::Cell* m = model.At(c, r);
        ASSERT_TRUE(m && m->used) << c << "," << r;
        const uint32_t k = visited[r * model.w + c]++;
        ASSERT_LT(k, m->count);
        EXPECT_EQ(0, std::memcmp(&m->layers[k], &l, sizeof l)) << c << "," << r << " layer " << k;
        const uint64_t cell = static_cast<uint64_t>(c) * model.h + r;
        inOrder = inOrder && cell >= lastCell;
        lastCell = cell;
    });
    if (::testing::Test::HasFatalFailure()) return;
    EXPECT_TRUE(inOrder);
    for (size_t i = 0; i < model.cells.size(); ++i)
        ASSERT_EQ(model.cells[i].used ? model.cells[i].count : 0u, visited[i]) << i;
    for (uint32_t c = 0; c <= model.w; ++c) {
        for (uint32_t r = 0; r <= model.h; ++r) {
            ModelGrid::Cell* m = model.At(c, r);
            const uint32_t count = m && m->used ? m->count : 0;
            ASSERT_EQ(m ? m->used : 0, IsCellUsed(grid, c, r)) << c << "," << r;
            ASSERT_EQ(count, GetCellLayerCount(grid, c, r)) << c << "," << r;
            for (uint32_t i = 0; i <= count; ++i) {
                uint32_t texture = 0xdead, quad = 0xdead;
                float red = -1, green = -1, blue = -1;
                const uint32_t got = GetCellLayer(grid, c, r, i, &texture, &red, &green, &blue, &quad);
                if (i < count) {
                    const CellLayer& l = m->layers[i];
                    ASSERT_EQ(l.texture, got);
                    ASSERT_EQ(l.texture, texture);
                    ASSERT_EQ(l.red, red);
                    ASSERT_EQ(l.green, green);
                    ASSERT_EQ(l.blue, blue);
                    ASSERT_EQ(l.quad, quad);
                } else {
                    ASSERT_EQ(0u, got);
                    ASSERT_EQ(0xdeadu, texture);
                }
            }
        }
    }
}

// The touched-cell clearing must give exactly the results of clearing every
// cell: random operation mixes, including clears in the middle of a frame and
// cells that were cleared or popped empty and then pushed again.
TEST(GridEquivalence, MatchesAFullyClearedGridUnderRandomOperations) {
    std::mt19937 rng(20240607);
    const uint32_t sizes[][2] = {{1, 1}, {3, 7}, {8, 6}, {17, 5}};
    for (const auto& size : sizes) {
        __buffer grid{};
        AllocCodeGrid(grid, static_cast<int>(size[0]), static_cast<int>(size[1]));
        ModelGrid model(size[0], size[1]);
        auto coordinate = [&](uint32_t limit) {
            // Mostly in range, sometimes just outside or "negative".
            const uint32_t roll = rng() % 20;
            if (roll == 0) return limit;
            if (roll == 1) return static_cast<uint32_t>(-1);
            return static_cast<uint32_t>(rng() % limit);
        };
        for (int round = 0; round < 60; ++round) {
            const int ops = static_cast<int>(rng() % 300);
            for (int k = 0; k < ops; ++k) {
                const uint32_t c = coordinate(size[0]), r = coordinate(size[1]);
                const CellLayer l{static_cast<uint32_t>(rng() % 1000), static_cast<float>(rng() % 7),
                                  static_cast<float>(rng() % 5), static_cast<float>(rng() % 3), static_cast<uint32_t>(rng() % 2)};
                switch (rng() % 10) {
                    case 0: ASSERT_EQ(model.ClearOne(c, r), ClearCell(grid, c, r)); break;
                    case 1: ASSERT_EQ(model.Pop(c, r), PopCellLayer(grid, c, r)); break;
                    case 2: {
                        const uint32_t i = rng() % 34;
                        ASSERT_EQ(model.Set(c, r, i, l), SetCellLayer(grid, c, r, i, l.texture, l.red, l.green, l.blue, l.quad));
                        break;
                    }
                    case 3:
                        if (rng() % 20 == 0) {
                            model.Clear();
                            ClearCodeGrid(grid);
                        }
                        break;
                    default:
                        // Bursts into one cell so that the 32-layer limit is reached too.
                        for (uint32_t n = rng() % 3 == 0 ? 40 : 1; n > 0; --n)
                            ASSERT_EQ(model.Push(c, r, l), PushCellLayer(grid, c, r, l.texture, l.red, l.green, l.blue, l.quad));
                }
            }
            ExpectSameGrid(model, grid);
            if (HasFatalFailure()) return;
            if (round % 3 == 0) {
                model.Clear();
                ClearCodeGrid(grid);
                ExpectSameGrid(model, grid);
            }
        }
        FreeCodeGrid(grid);
    }
}

}  // namespace
