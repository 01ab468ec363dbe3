// The code grid (`__buffer`): one per display, a per-frame draw list of
// columns x rows cells, each holding up to 32 layers (a texture with a colour and
// a quad selector). The simulation and the running effect push layers; the
// renderer draws every layer of every used cell in push order.
//
// Storage is laid out for the access pattern of the rain, whose streams run down
// columns: cells are stored column by column (index = column * rows + row), the
// cell headers (used flag and layer count) in one dense array and the layers in
// 32 planes, plane k holding layer k of every cell. A stream's cells then share
// cache lines, and a frame touches little more memory than the layers it pushes.
// Clearing is proportional to the cells touched since the previous clear: every
// cell that received a layer is remembered once in a fixed-capacity list, and a
// clear resets exactly those headers. Every header always reads as if the whole
// grid had been zero-filled; layer slots at or past a cell's count may hold stale
// values, which no operation returns. Read the grid through the operations below.
#pragma once

#include <cstddef>
#include <cstdint>

constexpr int kMaxDisplays = 16;
constexpr uint32_t kMaxCellLayers = 32;

struct CellLayer {
    uint32_t texture;
    float red, green, blue;
    uint32_t quad;  // 0 = glyph quad, 1 = large glyph quad
};

struct GridCell {
    uint8_t used;         // 1 = the cell has layers this frame
    uint32_t layerCount;  // valid layers, 1..32 while used
};

struct __buffer {
    uint32_t width;       // columns
    uint32_t height;      // rows
    GridCell* cells;      // width x height headers, index = column * height + row
    CellLayer* layers;    // 32 planes of width x height layers: layer k of cell i at k * width * height + i
    // Cells pushed into since the last clear, each listed once (capacity width x height).
    uint32_t* touched;
    uint32_t touchedCount;
};

// The per-display grid table, indexed by display number; filled by the renderer
// set-up (or AllocCodeGrids for headless runs).
extern __buffer codeGrids[kMaxDisplays];

// Allocates a columns x rows grid (zero-filled: every cell unused). A grid that
// already holds cells is released first. Non-positive sizes give an empty grid on
// which every coordinate is out of range. An allocation failure is fatal (9103).
// Returns 0.
int AllocCodeGrid(__buffer& grid, int columns, int rows);
// Releases the grid's cells (tests and tools; the saver keeps its grids for life).
void FreeCodeGrid(__buffer& grid);

// Allocates grids 0..count-1 of the table at the given size; grids above are released.
void AllocCodeGrids(int count, int columns, int rows);
void FreeCodeGrids();
// ClearCodeGrid on grids 0..count-1 of the table.
void ClearCodeGrids(int count);

void ClearCodeGrid(__buffer& grid);
int PushCellLayer(__buffer& grid, uint32_t column, uint32_t row, uint32_t texture, float red, float green,
                  float blue, uint32_t quad);
int IsCellUsed(const __buffer& grid, uint32_t column, uint32_t row);
int ClearCell(__buffer& grid, uint32_t column, uint32_t row);
int PopCellLayer(__buffer& grid, uint32_t column, uint32_t row);
uint32_t GetCellLayerCount(const __buffer& grid, uint32_t column, uint32_t row);
uint32_t GetCellLayer(const __buffer& grid, uint32_t column, uint32_t row, uint32_t index, uint32_t* texture,
                      float* red, float* green, float* blue, uint32_t* quad);
int SetCellLayer(__buffer& grid, uint32_t column, uint32_t row, uint32_t index, uint32_t texture, float red,
                 float green, float blue, uint32_t quad);

// Calls visit(column, row, layer) for every layer of every used cell: cells in
// storage order (column by column, each from the top), a cell's layers in push
// order. For readers whose result does not depend on the order of cells, such
// as the renderer's batched pass, which adds every layer onto the frame; the
// order of the operations above (row by row) is the one to draw by otherwise.
template <typename Visit>
void VisitUsedCellLayers(const __buffer& grid, Visit&& visit) {
    if (!grid.cells) return;
    const size_t plane = static_cast<size_t>(grid.width) * grid.height;
    const GridCell* cell = grid.cells;
    const CellLayer* first = grid.layers;
    for (uint32_t column = 0; column < grid.width; ++column) {
        for (uint32_t row = 0; row < grid.height; ++row, ++cell, ++first) {
            if (!cell->used) continue;
            const CellLayer* layer = first;
            for (uint32_t k = 0; k < cell->layerCount; ++k, layer += plane) visit(column, row, *layer);
        }
    }
}

// Statistics over the cells touched since the last clear: cells currently used and
// the sum of their layer counts.
uint32_t CountUsedCells(const __buffer& grid);
uint32_t CountUsedLayers(const __buffer& grid);
