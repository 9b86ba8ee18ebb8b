# The zeltric object: the run record's results, each under its key, shaped
# for R (a list of records becomes a data frame, a coordinates array
# becomes columns Axis1, Axis2, ...), the record itself, and the bytes of
# every file the run wrote (for print() and write_zeltric()).

# A list of JSON objects with the same keys as a data frame.
frame_of <- function(items) {
  if (length(items) == 0) return(data.frame())
  keys <- unique(unlist(lapply(items, names)))
  columns <- list()
  for (key in keys) {
    values <- lapply(items, `[[`, key)
    if (key == "coordinates") {
      width <- max(lengths(values))
      m <- t(vapply(values, function(v) c(v, rep(NA_real_, width - length(v))), numeric(width)))
      if (width == 1) m <- t(m)
      for (a in seq_len(width)) columns[[paste0("Axis", a)]] <- m[, a]
      next
    }
    scalar <- vapply(values, function(v) length(v) <= 1 && !is.list(v), TRUE)
    if (!all(scalar)) {
      columns[[key]] <- I(values)
      next
    }
    missing <- vapply(values, is.null, TRUE)
    kind <- unique(vapply(values[!missing], function(v) class(v)[1], ""))
    filled <- if (length(kind) == 1 && kind == "character") NA_character_ else NA
    values[missing] <- list(filled)
    columns[[key]] <- unlist(values)
  }
  as.data.frame(columns, stringsAsFactors = FALSE, check.names = FALSE)
}

shape_value <- function(value) {
  if (is.list(value) && length(value) > 0 && is.null(names(value)) &&
      all(vapply(value, function(v) is.list(v) && !is.null(names(v)), TRUE))) {
    return(frame_of(value))
  }
  value
}

# The files a run wrote in `dir`, as raw bytes named by file name: not the
# inputs placed there, nor links to the user's files.
run_files <- function(dir, inputs) {
  paths <- list.files(dir, full.names = TRUE, all.files = FALSE)
  paths <- paths[!dir.exists(paths)]
  own <- normalizePath(inputs[nzchar(inputs)], mustWork = FALSE)
  paths <- paths[!(normalizePath(paths) %in% own) & !nzchar(Sys.readlink(paths))]
  bytes <- lapply(paths, function(p) readBin(p, "raw", file.info(p)$size))
  stats::setNames(bytes, basename(paths))
}

read_run <- function(record_path, inputs = character()) {
  record <- .zeltric_read_json(record_path)
  attr(record, "path") <- normalizePath(record_path)
  res <- lapply(record$results, shape_value)
  files <- run_files(dirname(record_path), inputs)
  if (!is.null(record$statistics)) res$statistics <- statistics_of(record$statistics, files)
  res$record <- record
  attr(res, "files") <- files
  attr(res, "results_file") <- sub("\\.json$", ".pca", basename(record_path))
  class(res) <- "zeltric"
  res
}

results_text <- function(x) {
  bytes <- attr(x, "files")[[attr(x, "results_file")]]
  if (is.null(bytes)) return(character())
  text <- rawToChar(bytes)
  strsplit(gsub("\r\n?", "\n", text), "\n", fixed = TRUE)[[1]]
}

print.zeltric <- function(x, ...) {
  writeLines(results_text(x))
  invisible(x)
}

summary.zeltric <- function(object, ...) {
  keep <- c("samples", "loci", "alleles", "total_inertia", "global_fst", "global_fst_p_value",
            "broken_stick_axes")
  out <- object[intersect(keep, names(object))]
  out$axes <- object$axes
  out$bootstrap <- object$record$bootstrap
  out$randomisations <- object$record$randomisations
  out$cancelled <- isTRUE(object$record$cancelled)
  if (!is.null(object$statistics)) out$statistics <- object$statistics[c("theta", "F", "f", "nei", "pairwise")]
  class(out) <- "summary.zeltric"
  out
}

print.summary.zeltric <- function(x, ...) {
  cat(sprintf("%d samples, %d loci, %d alleles\n", as.integer(x$samples), as.integer(x$loci),
              as.integer(x$alleles)))
  cat("global Fst:", format(x$global_fst, digits = 7))
  if (!is.null(x$global_fst_p_value)) cat("  p =", format(x$global_fst_p_value))
  cat("\n")
  if (!is.null(x$randomisations) && x$randomisations > 0) {
    cat("permutation test:", x$randomisations, "randomisations",
        if (x$cancelled) "(cancelled: no test section)" else "", "\n")
  }
  if (!is.null(x$broken_stick_axes)) cat("axes above the broken stick:", x$broken_stick_axes, "\n")
  if (is.data.frame(x$axes)) {
    cat("\n")
    print(x$axes, row.names = FALSE)
  }
  if (!is.null(x$bootstrap)) {
    cat("\nbootstrap over loci:", x$bootstrap$replicates, "replicates\n")
  }
  s <- x$statistics
  if (!is.null(s)) {
    shown <- function(v) if (is.null(v)) "none" else format(v, digits = 7)
    cat("\ntheta:", shown(s$theta), " F:", shown(s$F), " f:", shown(s$f), "\n")
    cat("Nei: Ho", shown(s$nei$Ho), " Hs", shown(s$nei$Hs), " Ht", shown(s$nei$Ht), "\n")
    test <- s$pairwise$test
    cat("pairwise theta:", s$pairwise$pairs, "pairs")
    if (is.list(test)) {
      if (isTRUE(test$cancelled)) cat(", test cancelled (no P-values)")
      else cat(",", test$holm_below_0_05, "with Holm's P below 0.05 after", test$randomisations, "randomisations")
    }
    cat("\n")
  }
  invisible(x)
}

as.data.frame.zeltric <- function(x, row.names = NULL, optional = FALSE, ...) {
  df <- x$sample_coordinates
  if (!is.null(row.names)) rownames(df) <- row.names
  df
}

write_zeltric <- function(res, dir, overwrite = FALSE) {
  if (!inherits(res, "zeltric")) stop("res must be a zeltric object", call. = FALSE)
  if (!dir.exists(dir) && !dir.create(dir, recursive = TRUE)) stop("cannot create the folder ", dir, call. = FALSE)
  files <- attr(res, "files")
  paths <- file.path(dir, names(files))
  clash <- file.exists(paths)
  if (!overwrite && any(clash)) {
    stop("these files exist already (overwrite = TRUE replaces them): ",
         paste(paths[clash], collapse = ", "), call. = FALSE)
  }
  for (i in seq_along(files)) {
    con <- file(paths[i], "wb")
    writeBin(files[[i]], con)
    close(con)
  }
  invisible(paths)
}

zeltric_rerun <- function(record, out = NULL, threads = NULL) {
  path <- if (inherits(record, "zeltric")) attr(record$record, "path")
          else if (is.list(record)) attr(record, "path")
          else record
  if (!is.character(path) || length(path) != 1 || !file.exists(path)) {
    stop("record must be a zeltric object, its record, or the path of a run record NAME.json", call. = FALSE)
  }
  if (is.null(out)) out <- run_folder()
  args <- c("--rerun", normalizePath(path), "--out", normalizePath(out, mustWork = FALSE))
  if (!is.null(threads)) args <- c(args, "--threads", format(threads, scientific = FALSE))
  res <- run_cli(args)
  if (attr(res, "status") != 0L) warning("the rerun's outputs differ from the original run's", call. = FALSE)
  res
}
