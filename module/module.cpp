// The module is assembled from the layer libraries; this file only gives the
// shared object a translation unit of its own.
