/* The KDA area grid of dialog 106, one KDA_GRID_BOX(control id, area code,
   caption, x, y, width) per box: define KDA_GRID_BOX, then include this. */
#include "kda_grid_table.inc"
