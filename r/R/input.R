# Everything zeltric() analyses reaches the core as a file zeltric-cli
# reads: objects are written as Genepop files (the format adegenet users
# keep), paths are linked into the run's own folder, so that every output
# is written by the core beside its input, as zeltric-cli writes it.

# A folder of its own for one run, kept for the session (a rerun finds the
# data there).
run_folder <- function() {
  dir <- tempfile("zeltric-run-")
  dir.create(dir)
  normalizePath(dir)
}

# A file name from the expression the user passed, safe in any file system.
input_name <- function(name) {
  name <- gsub("[^A-Za-z0-9_.-]+", "_", name)
  if (!nzchar(name) || nchar(name) > 60) "zeltric" else name
}

# The allele codes of one locus: the allele names themselves when they are
# numbers in 1..999 (as microsatellite sizes usually are), else the alleles'
# numbers in the order given.
allele_codes <- function(names) {
  numbers <- suppressWarnings(as.integer(names))
  if (length(names) <= 999 && !anyNA(numbers) && all(numbers >= 1 & numbers <= 999) &&
      !anyDuplicated(numbers) && all(as.character(numbers) == sub("^0+", "", names))) {
    return(numbers)
  }
  if (length(names) > 999) {
    stop("a locus has more than 999 alleles, more than a Genepop file can hold", call. = FALSE)
  }
  seq_along(names)
}

# The Genepop text of `samples` (character, one per individual, in the
# order the samples are to be numbered), `loci` (names) and `first`,
# `second` (integer matrices individuals x loci of allele codes, 0 missing).
genepop_text <- function(title, samples, loci, first, second) {
  bad <- grepl(",", samples, fixed = TRUE) | !nzchar(trimws(samples))
  if (any(bad)) {
    stop("sample names must be non-empty and hold no comma: ",
         paste(unique(samples[bad]), collapse = ", "), call. = FALSE)
  }
  if (any(grepl("[,\r\n]", loci))) stop("locus names must hold no comma and no line break", call. = FALSE)
  codes <- matrix(sprintf("%03d%03d", first, second), nrow = nrow(first))
  lines <- paste0(samples, " , ", apply(codes, 1, paste, collapse = " "))
  starts <- c(TRUE, samples[-1] != samples[-length(samples)])
  body <- character(length(lines) + sum(starts))
  at <- seq_along(lines) + cumsum(starts)
  body[at] <- lines
  body[at[starts] - 1] <- "Pop"
  c(title, loci, body)
}

# The samples as a factor: a factor's levels keep their order (a genind's
# populations), other names are taken in the order they first appear.
sample_factor <- function(sample) {
  if (is.factor(sample)) droplevels(sample) else factor(sample, levels = unique(sample))
}

genind_genotypes <- function(x) {
  if (any(x@ploidy != 2L)) stop("only diploid genind objects can be analysed", call. = FALSE)
  if (x@type != "codom") stop("only codominant markers can be analysed", call. = FALSE)
  if (is.null(x@pop)) stop("the genind object has no populations: set pop(x) first", call. = FALSE)
  loci <- levels(x@loc.fac)
  n <- nrow(x@tab)
  first <- second <- matrix(0L, n, length(loci))
  for (l in seq_along(loci)) {
    m <- x@tab[, x@loc.fac == loci[l], drop = FALSE]
    codes <- allele_codes(x@all.names[[l]])
    total <- rowSums(m)
    typed <- !is.na(total) & total > 0
    if (any(typed & total != 2)) stop("locus ", loci[l], ": an individual does not carry two alleles", call. = FALSE)
    present <- m > 0 & !is.na(m)
    one <- max.col(present, ties.method = "first")
    two <- max.col(present, ties.method = "last")
    first[typed, l] <- codes[one[typed]]
    second[typed, l] <- codes[two[typed]]
  }
  list(sample = x@pop, loci = loci, first = first, second = second)
}

# A genpop has allele counts, no individuals: each sample's copies are paired
# in order into stand-ins that carry exactly its counts, so that the
# frequencies and sample sizes the analysis uses are the genpop's.
genpop_genotypes <- function(x) {
  loci <- levels(x@loc.fac)
  pops <- rownames(x@tab)
  rows <- list()
  for (p in seq_along(pops)) {
    per_locus <- lapply(seq_along(loci), function(l) {
      cols <- x@loc.fac == loci[l]
      counts <- x@tab[p, cols]
      counts[is.na(counts)] <- 0
      if (sum(counts) %% 2 != 0) {
        stop("sample ", pops[p], ", locus ", loci[l], ": an odd number of allele copies ",
             "cannot come from diploid individuals", call. = FALSE)
      }
      rep(allele_codes(x@all.names[[l]]), counts)
    })
    size <- max(vapply(per_locus, length, 0L)) %/% 2
    if (size == 0) next
    first <- second <- matrix(0L, size, length(loci))
    for (l in seq_along(loci)) {
      copies <- per_locus[[l]]
      k <- length(copies) %/% 2
      if (k > 0) {
        first[seq_len(k), l] <- copies[seq(1, by = 2, length.out = k)]
        second[seq_len(k), l] <- copies[seq(2, by = 2, length.out = k)]
      }
    }
    rows[[length(rows) + 1]] <- list(sample = rep(pops[p], size), first = first, second = second)
  }
  list(sample = unlist(lapply(rows, `[[`, "sample")), loci = loci,
       first = do.call(rbind, lapply(rows, `[[`, "first")),
       second = do.call(rbind, lapply(rows, `[[`, "second")))
}

# A data frame: a column `sample` (or `pop`), optionally `individual` (not
# analysed), and one column per locus holding genotypes as "117/119",
# "117119" or "117 119"; NA, "", "0", "0/0" and "000000" are missing.
frame_genotypes <- function(x) {
  column <- intersect(c("sample", "pop"), names(x))
  if (length(column) == 0) stop("the data frame needs a column 'sample' naming each individual's sample", call. = FALSE)
  sample <- x[[column[1]]]
  if (anyNA(sample)) stop("the column '", column[1], "' has missing values", call. = FALSE)
  loci <- setdiff(names(x), c("sample", "pop", "individual"))
  if (length(loci) == 0) stop("the data frame has no locus columns", call. = FALSE)
  n <- nrow(x)
  first <- second <- matrix(0L, n, length(loci))
  for (l in seq_along(loci)) {
    g <- trimws(as.character(x[[loci[l]]]))
    g[is.na(g)] <- ""
    parts <- strsplit(ifelse(grepl("[/ ]", g), g, ifelse(nchar(g) %in% c(4, 6), paste(substr(g, 1, nchar(g) / 2),
      substr(g, nchar(g) / 2 + 1, nchar(g))), g)), "[/ ]+")
    a <- vapply(parts, function(p) if (length(p) >= 1) p[1] else "", "")
    b <- vapply(parts, function(p) if (length(p) >= 2) p[2] else "", "")
    none <- c("0", "00", "000", "NA")
    missing <- g %in% c("", "NA") | (a %in% none & b %in% none) | (lengths(parts) == 1 & a %in% none)
    if (any(!missing & (lengths(parts) != 2 | a %in% none | b %in% none))) {
      stop("locus ", loci[l], ": a genotype is not two alleles, such as \"117/119\"", call. = FALSE)
    }
    names_seen <- sort(unique(c(a[!missing], b[!missing])))
    numbers <- suppressWarnings(as.integer(names_seen))
    if (!anyNA(numbers)) names_seen <- names_seen[order(numbers)]
    codes <- allele_codes(names_seen)
    first[!missing, l] <- codes[match(a[!missing], names_seen)]
    second[!missing, l] <- codes[match(b[!missing], names_seen)]
  }
  list(sample = sample, loci = loci, first = first, second = second)
}

# Writes `g` (sample, loci, first, second) as NAME.gen in `dir`; returns its path.
write_genepop <- function(g, dir, name) {
  sample <- sample_factor(g$sample)
  keep <- order(as.integer(sample), seq_along(sample))
  path <- file.path(dir, paste0(name, ".gen"))
  text <- genepop_text(paste("zeltric:", name), as.character(sample)[keep], g$loci,
                       g$first[keep, , drop = FALSE], g$second[keep, , drop = FALSE])
  con <- file(path, "wb")
  on.exit(close(con))
  writeLines(text, con, sep = "\n")
  path
}

# Links the file `path` into `dir` under its own name, with the files that
# belong to it (PLINK's .bed, .bim and .fam, a VCF's index); a file system
# without links gets copies.
link_input <- function(path, dir) {
  if (length(path) != 1 || is.na(path)) stop("x must be one path", call. = FALSE)
  if (!file.exists(path)) stop("no file ", path, call. = FALSE)
  path <- normalizePath(path)
  stem <- sub("\\.[^.]*$", "", basename(path))
  base <- basename(path)
  companions <- c(base, paste0(base, c(".tbi", ".csi")), paste0(stem, c(".bed", ".bim", ".fam")))
  for (name in unique(companions)) {
    from <- file.path(dirname(path), name)
    if (!file.exists(from)) next
    to <- file.path(dir, name)
    if (!suppressWarnings(file.symlink(from, to))) file.copy(from, to)
  }
  file.path(dir, base)
}

# The input of a run as a path in the run's folder.
prepare_input <- function(x, dir, name) {
  if (inherits(x, "genind")) return(write_genepop(genind_genotypes(x), dir, name))
  if (inherits(x, "genpop")) return(write_genepop(genpop_genotypes(x), dir, name))
  if (is.data.frame(x)) return(write_genepop(frame_genotypes(x), dir, name))
  if (is.character(x)) return(link_input(x, dir))
  stop("x must be a genind or genpop object, a data frame of genotypes or the path of a file",
       call. = FALSE)
}
