# The samples on two axes at one scale (a unit is as long on both axes,
# as in the program's figures), each labelled where its label overlaps the
# fewest labels and markers placed before it.

axis_title <- function(x, a) {
  axes <- x$axes
  if (is.data.frame(axes) && a <= nrow(axes) && !is.null(axes$percent)) {
    sprintf("Axis %d (%.1f%%)", a, axes$percent[a])
  } else {
    sprintf("Axis %d", a)
  }
}

plot_coordinates <- function(x, axes) {
  df <- as.data.frame(x)
  columns <- paste0("Axis", axes)
  if (length(axes) != 2 || !all(columns %in% names(df))) {
    stop("axes must be two of the reported axes 1..", sum(grepl("^Axis", names(df))), call. = FALSE)
  }
  data.frame(label = if (is.null(df$label)) as.character(df$number) else df$label,
             x = df[[columns[1]]], y = df[[columns[2]]], stringsAsFactors = FALSE)
}

# Label positions around each point: right, left, above, below, then the
# corners; `w`, `h` label sizes and `gap` the distance to the marker, all in
# user units. Returns the chosen offsets and text adjustments.
place_labels <- function(px, py, w, h, gap, limits) {
  candidates <- list(c(1, 0), c(-1, 0), c(0, 1), c(0, -1), c(1, 1), c(-1, 1), c(1, -1), c(-1, -1))
  boxes <- matrix(numeric(), 0, 4)
  marks <- cbind(px - gap / 2, px + gap / 2, py - gap / 2, py + gap / 2)
  overlap <- function(b, set) {
    if (nrow(set) == 0) return(0)
    sum(pmax(0, pmin(b[2], set[, 2]) - pmax(b[1], set[, 1])) * pmax(0, pmin(b[4], set[, 4]) - pmax(b[3], set[, 3])))
  }
  chosen <- matrix(0, length(px), 2)
  for (i in seq_along(px)) {
    best <- Inf
    for (c in candidates) {
      cx <- px[i] + c[1] * (gap + w[i] / 2)
      cy <- py[i] + c[2] * (gap + h[i] / 2)
      b <- c(cx - w[i] / 2, cx + w[i] / 2, cy - h[i] / 2, cy + h[i] / 2)
      outside <- max(0, limits[1] - b[1]) + max(0, b[2] - limits[2]) + max(0, limits[3] - b[3]) + max(0, b[4] - limits[4])
      score <- overlap(b, boxes) + overlap(b, marks[-i, , drop = FALSE]) + outside * (w[i] + h[i])
      if (score < best) {
        best <- score
        chosen[i, ] <- c(cx, cy)
        box <- b
      }
    }
    boxes <- rbind(boxes, box)
  }
  chosen
}

plot.zeltric <- function(x, axes = c(1, 2), labels = TRUE, col = "black", pch = 19, main = NULL,
                         xlab = NULL, ylab = NULL, cex = 0.8, ...) {
  d <- plot_coordinates(x, axes)
  if (is.null(main)) main <- sprintf("Axes %d and %d", axes[1], axes[2])
  if (is.null(xlab)) xlab <- axis_title(x, axes[1])
  if (is.null(ylab)) ylab <- axis_title(x, axes[2])
  pad <- 0.15 * max(diff(range(d$x)), diff(range(d$y)), 1e-9)
  graphics::plot(d$x, d$y, asp = 1, pch = pch, col = col, main = main, xlab = xlab, ylab = ylab,
                 xlim = range(d$x) + c(-pad, pad), ylim = range(d$y) + c(-pad, pad), ...)
  graphics::abline(h = 0, v = 0, lty = 3, col = "grey60")
  if (labels) {
    usr <- graphics::par("usr")
    w <- graphics::strwidth(d$label, cex = cex)
    h <- graphics::strheight(d$label, cex = cex) * 1.2
    gap <- graphics::strwidth("m", cex = cex) * 0.6
    at <- place_labels(d$x, d$y, w, h, gap, usr)
    graphics::text(at[, 1], at[, 2], d$label, cex = cex, col = col)
  }
  invisible(d)
}

autoplot.zeltric <- function(object, axes = c(1, 2), ...) {
  if (!requireNamespace("ggplot2", quietly = TRUE)) stop("autoplot() needs the ggplot2 package", call. = FALSE)
  d <- plot_coordinates(object, axes)
  label_layer <- if (requireNamespace("ggrepel", quietly = TRUE)) {
    ggrepel::geom_text_repel(ggplot2::aes(label = .data$label), size = 3)
  } else {
    ggplot2::geom_text(ggplot2::aes(label = .data$label), size = 3, vjust = -0.8)
  }
  ggplot2::ggplot(d, ggplot2::aes(x = .data$x, y = .data$y)) +
    ggplot2::geom_hline(yintercept = 0, linetype = 3, colour = "grey60") +
    ggplot2::geom_vline(xintercept = 0, linetype = 3, colour = "grey60") +
    ggplot2::geom_point() +
    label_layer +
    ggplot2::coord_equal() +
    ggplot2::labs(title = sprintf("Axes %d and %d", axes[1], axes[2]),
                  x = axis_title(object, axes[1]), y = axis_title(object, axes[2])) +
    ggplot2::theme_bw()
}
