#include "sim/buffer.h"

#include "settings/fatal.h"
#include "settings/memory.h"

__buffer codeGrids[kMaxDisplays];

namespace {

constexpr uint32_t kGridFailureLine = 15;

// Index of (column, row), or -1 when out of range.
inline int64_t IndexOf(const __buffer& grid, uint32_t column, uint32_t row) {
    if (!grid.cells || column >= grid.width || row >= grid.height) return -1;
    return static_cast<int64_t>(column) * grid.height + row;
}

inline CellLayer& LayerAt(const __buffer& grid, int64_t cell, uint32_t index) {
    return grid.layers[static_cast<size_t>(index) * grid.width * grid.height + static_cast<size_t>(cell)];
}

}  // namespace

int AllocCodeGrid(__buffer& grid, int columns, int rows) {
    FreeCodeGrid(grid);
    if (columns <= 0 || rows <= 0) return 0;
    const size_t count = static_cast<size_t>(columns) * static_cast<size_t>(rows);
    CellLayer* layers = static_cast<CellLayer*>(AllocZeroedArray(count * kMaxCellLayers, sizeof(CellLayer)));
    GridCell* cells = layers ? static_cast<GridCell*>(AllocZeroedArray(count, sizeof(GridCell))) : nullptr;
    uint32_t* touched = cells ? static_cast<uint32_t*>(AllocZeroedArray(count, sizeof(uint32_t))) : nullptr;
    if (!touched) {
        FreeMemory(layers);
        FreeMemory(cells);
        ReportFatalError(9103, "buffer.cpp", kGridFailureLine, "__buffer::__buffer(int, int)");
    }
    grid.width = static_cast<uint32_t>(columns);
    grid.height = static_cast<uint32_t>(rows);
    grid.cells = cells;
    grid.layers = layers;
    grid.touched = touched;
    grid.touchedCount = 0;
    return 0;
}

void FreeCodeGrid(__buffer& grid) {
    FreeMemory(grid.layers);
    FreeMemory(grid.cells);
    FreeMemory(grid.touched);
    grid = __buffer{};
}

void AllocCodeGrids(int count, int columns, int rows) {
    for (int i = 0; i < kMaxDisplays; ++i) {
        if (i < count)
            AllocCodeGrid(codeGrids[i], columns, rows);
        else
            FreeCodeGrid(codeGrids[i]);
    }
}

void FreeCodeGrids() {
    for (__buffer& grid : codeGrids) FreeCodeGrid(grid);
}

void ClearCodeGrids(int count) {
    if (count > kMaxDisplays) count = kMaxDisplays;
    for (int i = 0; i < count; ++i) ClearCodeGrid(codeGrids[i]);
}

void ClearCodeGrid(__buffer& grid) {
    // Only listed cells can have a non-zero used flag or count; a cell's count
    // never returns to 0 before a clear, so "count != 0" marks listed cells.
    for (uint32_t i = 0; i < grid.touchedCount; ++i) {
        grid.cells[grid.touched[i]] = GridCell{0, 0};
    }
    grid.touchedCount = 0;
}

int PushCellLayer(__buffer& grid, uint32_t column, uint32_t row, uint32_t texture, float red, float green,
                  float blue, uint32_t quad) {
    const int64_t i = IndexOf(grid, column, row);
    if (i < 0) return -1;
    GridCell& cell = grid.cells[i];
    uint32_t index;
    if (!cell.used) {
        if (cell.layerCount == 0) grid.touched[grid.touchedCount++] = static_cast<uint32_t>(i);
        cell.used = 1;
        cell.layerCount = 1;
        index = 0;
    } else {
        if (cell.layerCount >= kMaxCellLayers) return 0;
        index = cell.layerCount++;
    }
    LayerAt(grid, i, index) = CellLayer{texture, red, green, blue, quad};
    return 0;
}

int IsCellUsed(const __buffer& grid, uint32_t column, uint32_t row) {
    const int64_t i = IndexOf(grid, column, row);
    return i < 0 ? 0 : grid.cells[i].used;
}

int ClearCell(__buffer& grid, uint32_t column, uint32_t row) {
    const int64_t i = IndexOf(grid, column, row);
    if (i < 0) return -1;
    grid.cells[i].used = 0;
    return 0;
}

int PopCellLayer(__buffer& grid, uint32_t column, uint32_t row) {
    const int64_t i = IndexOf(grid, column, row);
    if (i < 0) return -1;
    GridCell& cell = grid.cells[i];
    if (cell.layerCount > 1)
        --cell.layerCount;
    else if (cell.layerCount == 1)
        cell.used = 0;
    return 0;
}

uint32_t GetCellLayerCount(const __buffer& grid, uint32_t column, uint32_t row) {
    const int64_t i = IndexOf(grid, column, row);
    return i >= 0 && grid.cells[i].used ? grid.cells[i].layerCount : 0;
}

uint32_t GetCellLayer(const __buffer& grid, uint32_t column, uint32_t row, uint32_t index, uint32_t* texture,
                      float* red, float* green, float* blue, uint32_t* quad) {
    const int64_t i = IndexOf(grid, column, row);
    if (i < 0 || !grid.cells[i].used || index >= grid.cells[i].layerCount) return 0;
    const CellLayer& layer = LayerAt(grid, i, index);
    if (texture) *texture = layer.texture;
    if (red) *red = layer.red;
    if (green) *green = layer.green;
    if (blue) *blue = layer.blue;
    if (quad) *quad = layer.quad;
    return layer.texture;
}

int SetCellLayer(__buffer& grid, uint32_t column, uint32_t row, uint32_t index, uint32_t texture, float red,
                 float green, float blue, uint32_t quad) {
    const int64_t i = IndexOf(grid, column, row);
    if (i >= 0 && grid.cells[i].used && index < grid.cells[i].layerCount)
        LayerAt(grid, i, index) = CellLayer{texture, red, green, blue, quad};
    return 0;
}

uint32_t CountUsedCells(const __buffer& grid) {
    uint32_t n = 0;
    for (uint32_t i = 0; i < grid.touchedCount; ++i) n += grid.cells[grid.touched[i]].used;
    return n;
}

uint32_t CountUsedLayers(const __buffer& grid) {
    uint32_t n = 0;
    for (uint32_t i = 0; i < grid.touchedCount; ++i) {
        const GridCell& cell = grid.cells[grid.touched[i]];
        if (cell.used) n += cell.layerCount;
    }
    return n;
}
