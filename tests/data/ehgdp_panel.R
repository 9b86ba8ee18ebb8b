# Writes the HGDP-CEPH microsatellite panel of the peer package (adegenet's
# eHGDP) as a Genepop file, and the figures of the extended analysis computed
# here from its allele table, independently of ZELTRIC:
#   Rscript ehgdp_panel.R OUT.gen OUT.txt
# The data set is read from the package's data folder and its slots used as
# they are: attaching adegenet (with ade4 and its graphics) takes several
# seconds, the whole export well under one.
data <- new.env()
load(system.file("data", "eHGDP.rda", package = "adegenet", mustWork = TRUE), envir = data)
x <- data$eHGDP
tabm <- x@tab
lf <- x@loc.fac
p <- x@pop
loci <- levels(lf)
args <- commandArgs(trailingOnly = TRUE)

out <- file(args[1], "w")
writeLines("HGDP-CEPH microsatellites (adegenet eHGDP)", out)
writeLines(loci, out)
# Each genotype from the allele table (copies per individual at each allele
# column; NA when untyped): its first and last allele present, vectorised per
# locus (genind2df takes most of a second per hundred loci).
value <- as.integer(unlist(x@all.names, use.names = FALSE))
m <- matrix("000000", nrow(tabm), length(loci))
for (l in seq_along(loci)) {
  cols <- which(as.integer(lf) == l)
  sub <- tabm[, cols, drop = FALSE]
  typed <- !is.na(sub[, 1])
  present <- sub[typed, , drop = FALSE] > 0
  lo <- value[cols][max.col(present, ties.method = "first")]
  hi <- value[cols][max.col(present, ties.method = "last")]
  m[typed, l] <- sprintf("%03d%03d", lo, hi)
}
names <- rownames(tabm)
for (lev in levels(p)) {
  writeLines("Pop", out)
  for (i in which(p == lev)) writeLines(paste0(names[i], " , ", paste(m[i, ], collapse = " ")), out)
}
close(out)

# The definition, step by step, on the allele table (copies per individual).
first <- !duplicated(lf)
typed <- !is.na(tabm[, first])
counts <- tabm
counts[is.na(counts)] <- 0
n <- rowsum(typed * 1, p)
cnt <- rowsum(counts, p)
N <- colSums(n)
tot <- colSums(cnt)
nCol <- n[, as.integer(lf), drop = FALSE]
NCol <- N[as.integer(lf)]
pbar <- tot / (2 * NCol)
f <- ifelse(nCol > 0, cnt / (2 * nCol), 0)
X <- sweep(f, 2, pbar)
X[nCol == 0] <- 0
keep <- tot > 0 & NCol > 0
X <- X[, keep, drop = FALSE]
mj <- rowsum((rowSums(typed) > 0) * 1, p)
w <- as.vector(mj / sum(mj))
H <- sum(tapply(pbar[keep]^2, droplevels(lf[keep]), function(v) 1 - sum(v)))
M <- (sqrt(w) * X) %*% t(sqrt(w) * X)
lambda <- eigen(M, symmetric = TRUE, only.values = TRUE)$values
total <- sum(pmax(lambda, 0))
writeLines(sprintf("%d %d %d %d %.17g %.17g %.17g", nlevels(p), length(loci), sum(keep), nrow(tabm),
                   total / H, lambda[1] / H, lambda[2] / total), args[2])
