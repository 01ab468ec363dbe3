#include "sim/buffer.h"

#include "settings/fatal.h"
#include "settings/memory.h"

__buffer codeGrids[kMaxDisplays];

namespace {

constexpr uint32_t kGridFailureLine = 15;

inline GridCell* CellAt(const __buffer& grid, uint32_t column, uint32_t row) {
    if (!grid.cells || column >= grid.width || row >= grid.height) return nullptr;
    return &grid.cells[static_cast<size_t>(row) * grid.width + column];
}

}  // namespace

int AllocCodeGrid(__buffer& grid, int columns, int rows) {
    FreeCodeGrid(grid);
    if (columns <= 0 || rows <= 0) return 0;
    const size_t count = static_cast<size_t>(columns) * static_cast<size_t>(rows);
    GridCell* cells = static_cast<GridCell*>(AllocZeroedArray(count, sizeof(GridCell)));
    uint32_t* touched = cells ? static_cast<uint32_t*>(AllocZeroedArray(count, sizeof(uint32_t))) : nullptr;
    if (!cells || !touched) {
        FreeMemory(cells);
        ReportFatalError(9103, "buffer", kGridFailureLine, "__buffer::__buffer(int, int)");
    }
    grid.width = static_cast<uint32_t>(columns);
    grid.height = static_cast<uint32_t>(rows);
    grid.cells = cells;
    grid.touched = touched;
    grid.touchedCount = 0;
    return 0;
}

void FreeCodeGrid(__buffer& grid) {
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
        GridCell& cell = grid.cells[grid.touched[i]];
        cell.used = 0;
        cell.layerCount = 0;
    }
    grid.touchedCount = 0;
}

int PushCellLayer(__buffer& grid, uint32_t column, uint32_t row, uint32_t texture, float red, float green,
                  float blue, uint32_t quad) {
    GridCell* cell = CellAt(grid, column, row);
    if (!cell) return -1;
    uint32_t index;
    if (!cell->used) {
        if (cell->layerCount == 0) grid.touched[grid.touchedCount++] = row * grid.width + column;
        cell->used = 1;
        cell->layerCount = 1;
        index = 0;
    } else {
        if (cell->layerCount >= kMaxCellLayers) return 0;
        index = cell->layerCount++;
    }
    cell->layers[index] = CellLayer{texture, red, green, blue, quad};
    return 0;
}

int IsCellUsed(const __buffer& grid, uint32_t column, uint32_t row) {
    const GridCell* cell = CellAt(grid, column, row);
    return cell ? cell->used : 0;
}

int ClearCell(__buffer& grid, uint32_t column, uint32_t row) {
    GridCell* cell = CellAt(grid, column, row);
    if (!cell) return -1;
    cell->used = 0;
    return 0;
}

int PopCellLayer(__buffer& grid, uint32_t column, uint32_t row) {
    GridCell* cell = CellAt(grid, column, row);
    if (!cell) return -1;
    if (cell->layerCount > 1)
        --cell->layerCount;
    else if (cell->layerCount == 1)
        cell->used = 0;
    return 0;
}

uint32_t GetCellLayerCount(const __buffer& grid, uint32_t column, uint32_t row) {
    const GridCell* cell = CellAt(grid, column, row);
    return cell && cell->used ? cell->layerCount : 0;
}

uint32_t GetCellLayer(const __buffer& grid, uint32_t column, uint32_t row, uint32_t index, uint32_t* texture,
                      float* red, float* green, float* blue, uint32_t* quad) {
    const GridCell* cell = CellAt(grid, column, row);
    if (!cell || !cell->used || index >= cell->layerCount) return 0;
    const CellLayer& layer = cell->layers[index];
    if (texture) *texture = layer.texture;
    if (red) *red = layer.red;
    if (green) *green = layer.green;
    if (blue) *blue = layer.blue;
    if (quad) *quad = layer.quad;
    return layer.texture;
}

int SetCellLayer(__buffer& grid, uint32_t column, uint32_t row, uint32_t index, uint32_t texture, float red,
                 float green, float blue, uint32_t quad) {
    GridCell* cell = CellAt(grid, column, row);
    if (cell && cell->used && index < cell->layerCount)
        cell->layers[index] = CellLayer{texture, red, green, blue, quad};
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
