// Opening piece: the decoder writes this, then the selected snippets, then
// the closing piece, so that all snippets run in one script element. Each
// snippet keeps its own function scope and catches its own errors.
<script type="text/javascript">
